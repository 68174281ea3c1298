#pragma once

#include "app/storage/RecordingSearch.h"

#include <QDate>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class CalendarFrm;
class CameraGO;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The "Video Search" tab: the search window (camera, start and end date from
// the calendar, hours and minutes, all recordings or only those made on
// motion), the checks of the Search command, the result grid with its
// selected row, and Play, Export... and Delete on the selection.
// GUI thread only.
class VideoSearchPage : public QWidget, private SearchSink {
    Q_OBJECT
public:
    // The row colour of the selected result: RGB(192, 255, 255).
    static const QColor kHighlight;

    // `cameras` gives each camera's recording folder and `search` searches
    // one; both must outlive the page.
    VideoSearchPage(CameraGO& cameras, RecordingSearch& search, QWidget* parent = nullptr);
    ~VideoSearchPage() override;

    // The tab became the current one: the hour and minute lists are filled
    // (once) and the grid is emptied under its title row.
    void activate();

    // The Search command. Returns false when a check refused the input (its
    // box was shown) or a search is already running.
    bool search();
    // A click on result row `row` (0 = the first result).
    void selectRow(int row);
    // Writes the grid's title row and column widths.
    void DataTitle();

    const std::string& selectedPath() const { return m_selectedPath; }
    int selectedRow() const { return m_selectedRow; }
    CalendarFrm* calendar() const { return m_calendar; }

    // What Play does with the selected result's path.
    void setOpener(std::function<void(const std::string& path)> open);

private:
    // Puts the search's matches into the grid.
    void showHits();
    void fileExamined() override;
    void matched(const SearchHit& hit) override;
    void unreadable(int16_t camera, const std::string& path, media::AviError why) override;

    void resetGrid();
    void chooseDate(bool start);
    void dateChosen(const QDate& date);
    void endHourChanged();
    void playSelected();
    void exportSelected();
    void deleteSelected();
    void inform(const char* text);

    CameraGO& m_cameras;
    RecordingSearch& m_search;
    QLineEdit* m_camNo;
    QLineEdit* m_startDate;
    QLineEdit* m_endDate;
    QComboBox* m_hour;
    QComboBox* m_minute;
    QComboBox* m_hour2;
    QComboBox* m_minute2;
    QPushButton* m_searchCmd;
    QCheckBox* m_onlyMotion;
    QTableWidget* m_grid;
    QLabel* m_note;
    CalendarFrm* m_calendar;
    std::function<void(const std::string&)> m_open;

    // Search state: rows written by the running search, files that could not
    // take part, and whether a search runs (events are processed during it).
    int m_counter = 0;
    bool m_cleared = false;            // this search cleared the earlier results
    std::vector<SearchHit> m_hits;     // the matches, shown together when the search ends
    int m_unreadable = 0;
    QString m_unreadableList;
    bool m_searching = false;
    // The selected result.
    std::string m_selectedPath;
    int m_selectedRow = -1;
    bool m_calendarForStart = true;
};
