#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Date and time as the operator reads them on the clock and in alert lines:
// the locale's own short date order with a four-digit year, then the time
// with seconds ("12/8/2026 03:14:05" in en_US, "08.12.2026 03:14:05" in
// de_DE). A two-digit year or a clock without seconds would change once a
// minute and leave the century to guess.
namespace DateFO {

QString dateFormat(const QLocale& locale = QLocale());
QString dateTimeText(const QDateTime& when, const QLocale& locale = QLocale());

} // namespace DateFO
