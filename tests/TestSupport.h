#pragma once
#include "platform/VirtualClock.h"
#include "platform/sim/SimBackend.h"
#include "platform/sim/SimRig.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QtTest>

#include <memory>

namespace testsupport {

// Gives the process a temporary HOME and application directory (both removed at exit),
// so that no test touches the user's files or the build tree. Call before the
// application object exists; LENSDESK_TEST_MAIN does.
void prepareEnvironment();
QString homeDir();
QString appDir();

// Installs a virtual clock and a rig built from the given JSON (the built-in rig when
// empty) as the process's clock and backend for the life of the object.
class SimEnvironment
{
public:
    explicit SimEnvironment(const QByteArray &rigJson = QByteArray());
    ~SimEnvironment();
    SimEnvironment(const SimEnvironment &) = delete;
    SimEnvironment &operator=(const SimEnvironment &) = delete;

    platform::VirtualClock &clock() { return m_clock; }
    sim::SimBackend &backend() { return *m_backend; }
    sim::SimRig &rig() { return m_backend->rig(); }

private:
    platform::VirtualClock m_clock;
    sim::SimBackend *m_backend = nullptr;
};

// A property of a rig camera: its range and the value it holds.
inline QJsonObject rigRange(int min, int max, int value)
{
    return QJsonObject{{QStringLiteral("min"), min}, {QStringLiteral("max"), max}, {QStringLiteral("value"), value}};
}

} // namespace testsupport

// Like QTEST_MAIN, with the isolated environment and the compiled-in resources.
#define LENSDESK_TEST_MAIN(TestObject)                                                             \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        testsupport::prepareEnvironment();                                                         \
        Q_INIT_RESOURCE(resources);                                                                \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
