#include "app/schedule/ScheduleDAO.h"

#include "app/core/CameraSlot.h"
#include "app/core/NumberText.h"
#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleItem.h"
#include "platform/ini/IniFile.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace ScheduleDAO {

namespace {

constexpr char kKey[] = "SCHEDULE";

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos)
            return parts;
        start = at + 1;
    }
}

// A field's value: its number (a decimal fraction rounds to the nearest
// integer, halves to even), or -1 when it is not a number ("*", empty, a
// word). Nothing when the number is too large for 32 bits.
std::optional<int64_t> fieldValue(std::string_view field)
{
    field = numtext::trimBlanks(field);
    size_t at = (!field.empty() && (field[0] == '-' || field[0] == '+')) ? 1 : 0;
    const auto digitRun = [&] {
        const size_t from = at;
        while (at < field.size() && field[at] >= '0' && field[at] <= '9')
            ++at;
        return at - from;
    };
    size_t digits = digitRun();
    if (at < field.size() && field[at] == '.') {
        ++at;
        digits += digitRun();
    }
    if (digits == 0 || at != field.size())
        return -1;
    if (field[0] == '+')
        field.remove_prefix(1);
    double parsed = 0;
    std::from_chars(field.data(), field.data() + field.size(), parsed); // not locale-dependent
    const double value = std::nearbyint(parsed);
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int64_t>(value);
}

bool fits16(int64_t value)
{
    return value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max();
}

std::optional<Entry> parseEntry(std::string_view text)
{
    const auto fields = split(numtext::trimBlanks(text), ',');
    if (fields.size() < 6)
        return std::nullopt;
    std::array<int64_t, 6> values{};
    for (size_t i = 0; i < 6; ++i) {
        const auto value = fieldValue(fields[i]);
        if (!value || (i < 5 && !fits16(*value)))
            return std::nullopt;
        values[i] = *value;
    }
    return Entry{static_cast<int16_t>(values[0]), static_cast<int16_t>(values[1]),
                 static_cast<int16_t>(values[2]), static_cast<int16_t>(values[3]),
                 static_cast<int16_t>(values[4]), static_cast<int32_t>(values[5])};
}

std::string sectionOf(const CameraSlot& camera)
{
    return "Camera" + numtext::decimal(camera.getUID() + 1);
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// Form text of a minute, hour, day or month field.
std::string starOrNumber(int16_t value)
{
    return value >= 0 ? numtext::decimal(value) : std::string("*");
}

int16_t fromStarOrNumber(const std::string& text)
{
    const std::string_view trimmed = numtext::trimBlanks(text);
    if (trimmed.empty() || trimmed == "*")
        return -1;
    return numtext::clamp16(platform::ini::leadingInt(trimmed));
}

} // namespace

std::vector<Entry> parseValue(std::string_view value)
{
    std::vector<Entry> entries;
    value = numtext::trimBlanks(value);
    if (value.empty())
        return entries;
    const auto texts = split(value, ';');
    for (size_t i = 0; i < texts.size() && i < kMaxEntries; ++i) {
        if (auto entry = parseEntry(texts[i]))
            entries.push_back(*entry);
    }
    return entries;
}

std::string formatValue(const std::vector<Entry>& entries)
{
    std::string text;
    for (const Entry& e : entries) {
        if (!text.empty())
            text += ';';
        text += numtext::decimal(e.minute) + ',' + numtext::decimal(e.hour) + ',' + numtext::decimal(e.day) + ','
            + numtext::decimal(e.month) + ',' + numtext::decimal(e.weekDay) + ',' + numtext::decimal(e.duration);
    }
    return text;
}

Entry entryOf(const ScheduleItem& item)
{
    return Entry{item.getMinute(), item.getHour(), item.getDay(),
                 item.getMonth(), item.getWeekDay(), item.getDuration()};
}

std::shared_ptr<ScheduleItem> itemOf(const Entry& entry)
{
    auto item = std::make_shared<ScheduleItem>();
    item->setMinute(entry.minute);
    item->setHour(entry.hour);
    item->setDay(entry.day);
    item->setMonth(entry.month);
    item->setWeekDay(entry.weekDay);
    item->setDuration(entry.duration);
    return item;
}

bool load(Schedule& schedule, const std::string& configFile)
{
    const CameraSlot* camera = schedule.getCamera();
    if (!camera)
        return true;
    const std::string value = platform::ini::readString(configFile, sectionOf(*camera), kKey, "", kValueBuffer);
    for (const Entry& entry : parseValue(value))
        schedule.addItem(itemOf(entry));
    return true;
}

bool save(const Schedule& schedule, const std::string& configFile)
{
    const CameraSlot* camera = schedule.getCamera();
    if (!camera)
        return false;
    std::vector<Entry> entries;
    for (const auto& item : schedule.getItems())
        entries.push_back(entryOf(*item));
    return platform::ini::writeString(configFile, sectionOf(*camera), kKey, formatValue(entries));
}

QString summaryText(const ScheduleItem& item, const QLocale& locale)
{
    QString text;
    text += item.getHour() >= 0 ? twoDigits(item.getHour()) + ':' : QStringLiteral("ALL:");
    text += item.getMinute() >= 0 ? twoDigits(item.getMinute()) + ' ' : QStringLiteral("ALL ");
    if (item.getMonth() > 0) {
        // A month beyond December has no name; its number is shown instead.
        const QString name = item.getMonth() <= 12 ? locale.monthName(item.getMonth(), QLocale::ShortFormat)
                                                   : QString::number(item.getMonth());
        text += name + ' ';
    } else {
        text += QStringLiteral("ALL ");
    }
    text += item.getDay() >= 0 ? QString::number(item.getDay()) + QStringLiteral(", ") : QStringLiteral("ALL, ");
    if (item.getWeekDay() > 0) {
        // Qt counts Monday = 1 ... Sunday = 7; the schedule Sunday = 1.
        const int weekDay = item.getWeekDay();
        text += weekDay <= 7 ? locale.dayName(weekDay == 1 ? 7 : weekDay - 1, QLocale::ShortFormat)
                             : QString::number(weekDay);
    } else {
        text += QStringLiteral("ALL");
    }
    text += item.getDuration() >= 1 ? QStringLiteral(", %1s").arg(item.getDuration()) : QStringLiteral(", No Limit");
    return text;
}

FieldTexts fieldTexts(const ScheduleItem& item)
{
    FieldTexts texts;
    texts.minute = starOrNumber(item.getMinute());
    texts.hour = starOrNumber(item.getHour());
    texts.day = starOrNumber(item.getDay());
    texts.month = starOrNumber(item.getMonth());
    texts.duration = numtext::decimal(item.getDuration());
    texts.weekDayChoice = item.getWeekDay() >= 0 && item.getWeekDay() <= 7 ? item.getWeekDay() : 0;
    return texts;
}

std::shared_ptr<ScheduleItem> itemFromFieldTexts(const FieldTexts& texts)
{
    auto item = std::make_shared<ScheduleItem>();
    item->setMinute(fromStarOrNumber(texts.minute));
    item->setHour(fromStarOrNumber(texts.hour));
    item->setDay(fromStarOrNumber(texts.day));
    item->setMonth(fromStarOrNumber(texts.month));
    item->setWeekDay(texts.weekDayChoice >= 1 && texts.weekDayChoice <= 7 ? static_cast<int16_t>(texts.weekDayChoice)
                                                                          : int16_t{-1});
    item->setDuration(platform::ini::leadingInt(numtext::trimBlanks(texts.duration)));
    return item;
}

std::array<QString, 8> weekDayChoices(const QLocale& locale)
{
    std::array<QString, 8> choices;
    choices[0] = QStringLiteral("All");
    for (int weekDay = 1; weekDay <= 7; ++weekDay)
        choices[static_cast<size_t>(weekDay)] = locale.dayName(weekDay == 1 ? 7 : weekDay - 1, QLocale::LongFormat);
    return choices;
}

} // namespace ScheduleDAO
