#include "E2eTest.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QTest>

DesktopSession* E2eTest::startDesktop(DesktopSession::Tray tray, bool withRecorder)
{
    m_desktop = new DesktopSession(this);
    if (!m_desktop->start(tray, withRecorder)) {
        qWarning("desktop: %s", qPrintable(m_desktop->errorString()));
        return nullptr;
    }
    return m_desktop;
}

SimulatorProcess* E2eTest::startSimulator(const QStringList& arguments)
{
    m_simulator = std::make_unique<SimulatorProcess>();
    if (!m_simulator->start(arguments)) {
        qWarning("the update-service simulator did not get ready");
        return nullptr;
    }
    return m_simulator.get();
}

void E2eTest::finishTest()
{
    // A notifier that the sanitizers stopped may have gone unnoticed by the test itself.
    const bool sanitizerReported = m_desktop && m_desktop->sanitizerReported();
    if (QTest::currentTestFailed() || sanitizerReported) {
        if (m_desktop) {
            qInfo().noquote() << m_desktop->diagnostics();
            const QString picture = QDir::current().absoluteFilePath(
                QStringLiteral("%1-%2.png")
                    .arg(QCoreApplication::applicationName(), QString::fromLatin1(QTest::currentTestFunction())));
            if (m_desktop->screenshot(picture)) {
                qInfo().noquote() << "screen:" << picture;
            }
            if (m_desktop->hasRecorder()) {
                qInfo().noquote() << "notifications:"
                                  << QJsonDocument(m_desktop->recorder().log()).toJson(QJsonDocument::Indented);
            }
        }
        if (m_simulator && m_simulator->isRunning()) {
            qInfo().noquote() << "service calls:" << m_simulator->callLog().join(QLatin1Char(' '));
        }
    }
    delete m_desktop.data();
    if (m_simulator) {
        m_simulator->stop();
        m_simulator.reset();
    }
    TestEnvironment::instance().removeSettings();
    QVERIFY2(!sanitizerReported, "the notifier reported a sanitizer finding (its output is above)");
}
