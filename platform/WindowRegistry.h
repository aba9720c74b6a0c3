#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace ksv {

// "A top-level window titled X exists" and "send it the system close command" on Linux:
// a running program registers its title ("KESTRAVE", "KSV_RUN", "KSV_EXPLO", ...) as a per-user
// local socket; existence = a connection succeeds; close = a message over it.
class WindowRegistry : public QObject
{
    Q_OBJECT
public:
    explicit WindowRegistry(QObject* parent = nullptr);
    ~WindowRegistry() override;

    // Registers the title for this process; false when it could not listen.
    bool registerTitle(const QString& title);
    static bool exists(const QString& title);
    // Asks the program holding the title to close; false when none answers.
    static bool sendClose(const QString& title);
    // The socket of a title: "kestrave-<uid>-<TITLE>" in $XDG_RUNTIME_DIR (else the temporary
    // folder; a runtime folder too deep for a socket path is stood for by a digest of its name
    // in the temporary folder); titles are compared without regard to case.
    static QString socketName(const QString& title);

signals:
    void closeRequested();

private:
    void onNewConnection();

    QLocalServer* m_server = nullptr;
};

} // namespace ksv
