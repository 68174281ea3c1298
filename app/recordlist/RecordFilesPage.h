#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QListWidget;

// One list tab of the recording list: the files of one camera folder that
// match the tab's pattern, the details of the selected one read from its
// name (and, for recordings, its playing time read from the file), and the
// open and delete commands. GUI thread only.
class RecordFilesPage : public QWidget {
    Q_OBJECT
public:
    enum class Kind {
        Recordings, // "Video List": vFile1 "*.avi", Play / Delete / Export...
        Snapshots,  // "Snapshot List": sFile1 "*.jpg", Show / Delete
    };

    RecordFilesPage(Kind kind, QWidget* parent = nullptr);

    // Lists `folder` (the details are cleared).
    void setFolder(const std::string& folder);
    const std::string& folder() const { return m_folder; }
    // Lists the folder again, keeping the selected file when it is still there.
    void refresh();

    // The selected file's full path; empty when none is selected.
    std::string selectedPath() const;
    // Selects the file of that name (not path), as a click on it does.
    bool selectFile(const QString& name);

    // What Play and Show do with the selected file's path.
    void setOpener(std::function<void(const std::string& path)> open);

private:
    // The names the list shows, in the order it shows them.
    QStringList listedFiles() const;
    void showDetails();
    void clearDetails();
    void openSelected();
    void deleteSelected();
    void exportSelected();

    const Kind m_kind;
    std::string m_folder;
    QListWidget* m_list = nullptr;
    QLabel* m_labels[4] = {};
    std::function<void(const std::string&)> m_open;
};
