#include "app/appconfig/FieldText.h"

#include "app/core/NumberText.h"

namespace fieldtext {

std::optional<int32_t> number(const QString& text)
{
    const std::string typed = text.toStdString();
    return numtext::parseInteger(numtext::trimBlanks(typed));
}

std::optional<int32_t> numberIn(const QString& text, Range range)
{
    const auto value = number(text);
    if (!value || !range.contains(*value))
        return std::nullopt;
    return value;
}

std::optional<int16_t> wildcardIn(const QString& text, Range range)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed == QLatin1String("*"))
        return int16_t{-1};
    const auto value = number(trimmed);
    if (!value || (*value != -1 && !range.contains(*value)))
        return std::nullopt;
    return static_cast<int16_t>(*value);
}

} // namespace fieldtext
