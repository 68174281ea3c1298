#pragma once

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Schedule;
class ScheduleItem;

// The SCHEDULE value of a camera section in config.ini, and the texts the
// configuration form shows for an item.
//
// Value: entries "minute,hour,day,month,weekday,duration" separated by ";".
// Blanks around entries and fields are tolerated on reading; "*" or an empty
// field reads as the wildcard -1. GUI thread only.
namespace ScheduleDAO {

// The six stored fields of one entry.
struct Entry {
    int16_t minute = 0;
    int16_t hour = 0;
    int16_t day = 0;
    int16_t month = 0;
    int16_t weekDay = 0;
    int32_t duration = 0;
    bool operator==(const Entry&) const = default;
};

// At most this many entries are read back; more may be written.
inline constexpr size_t kMaxEntries = 11;
// The value is read through a buffer of this many characters.
inline constexpr size_t kValueBuffer = 1024;

// The entries among the first 11 of `value`. An entry with fewer than six
// fields, an empty entry (a trailing ";") and one whose number does not fit
// its field are skipped; fields after the sixth are ignored; a field that is
// not a number reads as -1.
std::vector<Entry> parseValue(std::string_view value);
// The value text of `entries`: no blanks, "-1" for wildcards.
std::string formatValue(const std::vector<Entry>& entries);

Entry entryOf(const ScheduleItem& item);
std::shared_ptr<ScheduleItem> itemOf(const Entry& entry);

// Appends the stored items of the schedule's camera (section "Camera" &
// UID + 1). Returns true; a schedule without a camera loads nothing.
bool load(Schedule& schedule, const std::string& configFile);
// Overwrites the camera's SCHEDULE value with all items; an empty schedule
// writes an empty value. False when no camera is bound or the write failed.
bool save(const Schedule& schedule, const std::string& configFile);

// The one-line summary of the form's list, for example "08:05 Mar 14, ALL, 600s"
// or "ALL:ALL ALL ALL, ALL, No Limit". Month and weekday names are the
// locale's abbreviations.
QString summaryText(const ScheduleItem& item, const QLocale& locale = QLocale());

// The contents of the form's edit fields for an item.
struct FieldTexts {
    std::string minute;   // decimal, or "*" for a wildcard
    std::string hour;
    std::string day;
    std::string month;
    std::string duration; // decimal
    int weekDayChoice = 0; // entry of the weekday list: 0 "All", 1 Sunday ... 7 Saturday
};
FieldTexts fieldTexts(const ScheduleItem& item);
// The item for validated field texts: "*" or an empty text gives -1, any
// other text its integer value; choice 0 gives weekday -1.
std::shared_ptr<ScheduleItem> itemFromFieldTexts(const FieldTexts& texts);
// The weekday choice list: "All", then the full weekday names Sunday ... Saturday.
std::array<QString, 8> weekDayChoices(const QLocale& locale = QLocale());

} // namespace ScheduleDAO
