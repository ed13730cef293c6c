#include "app/form1.h"
#include "dialogs/form3.h"
#include "dialogs/website.h"
#include "support/test_platform.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {
struct Fixture {
    TestProfile profile;
    Platform platform = profile.makePlatform();
    std::unique_ptr<Form1> form = std::make_unique<Form1>(platform);
    Form3* about = nullptr;

    Fixture()
    {
        form->LoadDefaultLanguage();
        about = form->form3();
        about->show(); // shown without a modal loop, so the test can move the mouse over it
        QVERIFY(QTest::qWaitForWindowExposed(about));
    }
};

void moveOver(QWidget* widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}
} // namespace

class TestAbout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void linkLooksLikeALink();
    void hover_data();
    void hover();
    void dragOffTheLink();
    void backgroundMove_data();
    void backgroundMove();
    void linkClick_data();
    void linkClick();
    void visitOpensTheSameAddress();
    void bezoekFailsSilently_data();
    void bezoekFailsSilently();
    void okHidesAndKeepsTexts();
};

void TestAbout::linkLooksLikeALink()
{
    Fixture f;
    QCOMPARE(f.about->Label3->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QVERIFY(!f.about->linkUnderlined());
    QCOMPARE(f.about->Label3->text(), QStringLiteral("Bezoek ") + makerSiteName());
    QCOMPARE(f.about->windowTitle(), QStringLiteral("About Drapello"));
}

void TestAbout::hover_data()
{
    // Positions relative to the link; width and height are added where the column says so.
    QTest::addColumn<int>("x");
    QTest::addColumn<bool>("xFromWidth");
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("yFromHeight");
    QTest::addColumn<bool>("underlined");
    QTest::newRow("inside") << 5 << false << 5 << false << true;
    QTest::newRow("top left corner") << 0 << false << 0 << false << true;
    QTest::newRow("exactly at the width") << 0 << true << 5 << false << true;
    QTest::newRow("exactly at the height") << 5 << false << 0 << true << true;
    QTest::newRow("exactly at both") << 0 << true << 0 << true << true;
    QTest::newRow("one beyond the width") << 1 << true << 5 << false << false;
    QTest::newRow("one beyond the height") << 5 << false << 1 << true << false;
    QTest::newRow("negative x") << -1 << false << 5 << false << false;
    QTest::newRow("negative y") << 5 << false << -1 << false << false;
}

void TestAbout::hover()
{
    QFETCH(int, x);
    QFETCH(bool, xFromWidth);
    QFETCH(int, y);
    QFETCH(bool, yFromHeight);
    QFETCH(bool, underlined);
    Fixture f;
    QLabel* link = f.about->Label3;
    const QPoint at(x + (xFromWidth ? link->width() : 0), y + (yFromHeight ? link->height() : 0));

    // From each state to the expected one, so a move that changes nothing cannot pass.
    moveOver(link, QPoint(5, 5));
    QVERIFY(f.about->linkUnderlined());
    moveOver(link, at);
    QCOMPARE(f.about->linkUnderlined(), underlined);

    f.about->Form_MouseMove();
    QVERIFY(!f.about->linkUnderlined());
    moveOver(link, at);
    QCOMPARE(f.about->linkUnderlined(), underlined);
}

void TestAbout::dragOffTheLink()
{
    // With a button held the link keeps the mouse, so it sees positions beyond itself.
    Fixture f;
    QLabel* link = f.about->Label3;
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(link, QPoint(link->width() + 20, 5));
    QVERIFY(!f.about->linkUnderlined());
    QTest::mouseMove(link, QPoint(6, 6));
    QVERIFY(f.about->linkUnderlined());
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(6, 6));
}

void TestAbout::backgroundMove_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("underlined");
    QTest::newRow("bare background") << QPoint(3, 150) << false;
    QTest::newRow("below the link") << QPoint(20, 215) << false;
    // A move over another label is that label's, not the background's.
    QTest::newRow("over Label1") << QPoint(20, 10) << true;
}

void TestAbout::backgroundMove()
{
    QFETCH(QPoint, at);
    QFETCH(bool, underlined);
    Fixture f;
    moveOver(f.about->Label3, QPoint(5, 5));
    QVERIFY(f.about->linkUnderlined());
    moveOver(f.about, at);
    QCOMPARE(f.about->linkUnderlined(), underlined);
}

void TestAbout::linkClick_data()
{
    QTest::addColumn<int>("releaseBeyond"); // pixels right of the link where the button is let go
    QTest::addColumn<int>("opened");
    QTest::newRow("click") << -10 << 1;
    QTest::newRow("let go beside the link") << 10 << 0;
}

void TestAbout::linkClick()
{
    QFETCH(int, releaseBeyond);
    QFETCH(int, opened);
    Fixture f;
    QLabel* link = f.about->Label3;
    const QPoint release(link->width() + releaseBeyond, 5);
    moveOver(link, QPoint(5, 5));
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(link, Qt::LeftButton, {}, release);

    QCOMPARE(f.profile.shell->opened.size(), qsizetype(opened));
    if (opened) {
        QCOMPARE(f.profile.shell->opened.first(), makerSiteUrl());
        QVERIFY(!f.about->linkUnderlined());
    }
    QVERIFY(f.about->isVisible()); // the dialog stays open
}

void TestAbout::visitOpensTheSameAddress()
{
    Fixture f;
    f.form->menu.visit->trigger();
    QTest::mouseClick(f.about->Label3, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(f.profile.shell->opened.size(), qsizetype(2));
    QCOMPARE(f.profile.shell->opened.at(0), f.profile.shell->opened.at(1));
    QVERIFY(QUrl(makerSiteUrl()).isValid());
    QVERIFY(makerSiteUrl().startsWith(QStringLiteral("http")));
}

void TestAbout::bezoekFailsSilently_data()
{
    QTest::addColumn<bool>("throws");
    QTest::newRow("shell refuses") << false;
    QTest::newRow("shell throws") << true;
}

void TestAbout::bezoekFailsSilently()
{
    QFETCH(bool, throws);
    Fixture f;
    f.profile.shell->answer = false;
    f.profile.shell->throws = throws;
    f.form->setStatus(QStringLiteral("marker"));
    const bool timerArmed = f.form->loading->isActive();

    f.form->menu.visit->trigger();
    QTest::mouseClick(f.about->Label3, Qt::LeftButton, {}, QPoint(5, 5));

    QCOMPARE(f.profile.shell->opened.size(), qsizetype(2));
    QCOMPARE(f.form->statusText(), QStringLiteral("marker"));
    QCOMPARE(f.form->loading->isActive(), timerArmed);
    QVERIFY(f.profile.dialogs->messages.empty());
    QVERIFY(f.about->isVisible());
}

void TestAbout::okHidesAndKeepsTexts()
{
    TestProfile profile;
    Platform platform = profile.makePlatform();
    Form1 form(platform);
    QByteArray file;
    for (int line = 1; line <= 26; ++line)
        file += line == 23 ? QByteArray("Ga naar de site\r\n")
                           : "L" + QByteArray::number(line) + "\r\n";
    form.LoadLanguage(profile.writeFile(QStringLiteral("program/x.lng"), file));
    form.showMain();

    Form3* first = nullptr;
    QString shownText;
    bool shownModal = false;
    auto pressOk = [&] {
        first = qobject_cast<Form3*>(QApplication::activeModalWidget());
        if (first) {
            shownText = first->Label3->text();
            shownModal = first->isModal();
            first->Command1->click();
        }
    };
    QTimer::singleShot(0, &form, pressOk);
    QTimer::singleShot(10000, &form, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    form.menu.about->trigger();
    QVERIFY(first);
    QVERIFY(shownModal);
    QCOMPARE(shownText, QStringLiteral("Ga naar de site"));
    QVERIFY(!first->isVisible());
    QCOMPARE(form.form3(), first); // hidden, not released
    QCOMPARE(form.menu.visit->text(), QStringLiteral("Ga naar de site"));
}

QTEST_MAIN(TestAbout)
#include "test_about.moc"
