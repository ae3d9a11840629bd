#pragma once

#include <QApplication>

#include <functional>
#include <optional>

class SingleInstance;

// A QApplication that knows whether the same user already runs this program, and lets a later start
// pass a message to the running one.
class QtSingleApplication : public QApplication
{
    Q_OBJECT
public:
    QtSingleApplication(int& argc, char** argv, bool GUIenabled = true);
    ~QtSingleApplication() override;

    bool isRunning() const;
    bool sendMessage(const QString& message, int timeout = 5000);
    // A question to the running instance and its answer; nothing when none came in time.
    std::optional<QString> ask(const QString& question, int timeout = 5000);
    void setQueryHandler(std::function<QString(const QString&)> handler);

Q_SIGNALS:
    void messageReceived(const QString& message);

private:
    SingleInstance* m_instance = nullptr;
};
