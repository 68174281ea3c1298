#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a signal on the GUI thread, so that a
// program ended from a terminal or by the session goes through its ordinary
// shut-down and finishes its recordings. The handler only writes a byte to a
// pipe; the event loop reads it. One object per program; while it lives the
// signals are caught. GUI thread only.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    void onReadable();

    QSocketNotifier* m_notifier = nullptr;
};
