// What a user does with the real program under X, driven only through the X server and files:
// open it, use it, close it, start it again.
#include "e2e/program_run.h"
#include "support/http_test_server.h"
#include "support/test_platform.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestUserScenarios : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    // ---- closing and starting again

    // ---- downloads and the skin server

    // ---- previewing and installing

    // ---- what the windows show
};

void TestUserScenarios::initTestCase()
{
    QString why;
    if (!ProgramRun::canDriveX11(&why))
        QSKIP(qPrintable(why));
}

// ---------------------------------------------------------------- closing and starting again

// ---------------------------------------------------------------- downloads and the skin server

// ---------------------------------------------------------------- previewing and installing

// ---------------------------------------------------------------- what the windows show

QTEST_GUILESS_MAIN(TestUserScenarios)
#include "tst_user_scenarios.moc"
