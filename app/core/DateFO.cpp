#include "app/core/DateFO.h"

namespace DateFO {

QString dateFormat(const QLocale& locale)
{
    // Every run of "y" shorter than four becomes "yyyy"; quoted text stays.
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        if (format[i] == u'\'') {
            quoted = !quoted;
            out += format[i++];
            continue;
        }
        if (!quoted && format[i] == u'y') {
            qsizetype run = 0;
            while (i + run < format.size() && format[i + run] == u'y')
                ++run;
            out += QStringLiteral("yyyy");
            i += run;
            continue;
        }
        out += format[i++];
    }
    return out;
}

QString dateTimeText(const QDateTime& when, const QLocale& locale)
{
    return locale.toString(when, dateFormat(locale) + QStringLiteral(" HH:mm:ss"));
}

} // namespace DateFO
