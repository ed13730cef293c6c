#include "app/form1.h"
#include "language/form4.h"
#include "support/test_platform.h"

#include <QAction>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <functional>
#include <memory>

namespace {
const QString NoSelectionText =
    QStringLiteral("No language file selected, the default language (Dutch), will be loaded.\r\n"
                   "It will take a effect when the program will be restarted.");

// A program start as main() does it, in a profile of its own.
struct Start {
    TestProfile profile;
    Platform platform = profile.makePlatform();
    std::unique_ptr<Form1> form;
    QPointer<Form4> chooser;

    void addEnglish()
    {
        profile.writeFile(QStringLiteral("program/english.lng"),
                          readFileBytes(QStringLiteral(DRAPELLO_SOURCE_DIR "/resources/english.lng")));
    }
    void set(const char* key, const QString& value)
    {
        profile.setSetting(QString::fromLatin1(key), value);
    }
    QString setting(const char* key) const { return profile.setting(QString::fromLatin1(key)); }

    void begin()
    {
        form = std::make_unique<Form1>(platform);
        chooser = new Form4(*form);
        form->setChooser(chooser);
        chooser->Form_Load();
    }
};

QStringList listed(const Form4* chooser)
{
    QStringList names;
    for (int i = 0; i < chooser->File1->count(); ++i)
        names << chooser->File1->item(i)->text();
    return names;
}

void select(Form4* chooser, const QString& name)
{
    const QList<QListWidgetItem*> items = chooser->File1->findItems(name, Qt::MatchExactly);
    QVERIFY(items.size() == 1);
    QTest::mouseClick(chooser->File1->viewport(), Qt::LeftButton, {},
                      chooser->File1->visualItemRect(items.first()).center());
}

void processDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Opens the chooser from the menu; `inside` runs while it is shown modal and must close it.
void openFromMenu(Form1& form, const std::function<void(Form4*)>& inside)
{
    whileModal(form.menu.language, [&](QWidget* shown) { inside(qobject_cast<Form4*>(shown)); });
}
} // namespace

class TestChooser : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStart_data();
    void firstStart();
    void laterStart_data();
    void laterStart();
    void okWithSelection();
    void okWithoutSelection_data();
    void okWithoutSelection();
    void hiddenChooserShownWithoutLoad();
    void closedFromMenuWithoutOk();
};

void TestChooser::firstStart_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("algedaan");
    QTest::addColumn<QStringList>("expectedList");
    QTest::addColumn<bool>("english"); // texts in force

    const QString missing = QStringLiteral("<missing>");
    const QString english = QStringLiteral("english.lng");
    QTest::newRow("empty folder") << QStringList() << missing << missing << QStringList() << false;
    QTest::newRow("only .lng files, any case, no folders or hidden files")
        << QStringList{english, QStringLiteral("Zulu.LNG"), QStringLiteral("notes.txt"),
                       QStringLiteral(".hidden.lng"), QStringLiteral("english.lng.bak"),
                       QStringLiteral("dir.lng/")}
        << missing << missing << QStringList{english, QStringLiteral("Zulu.LNG")} << false;
    QTest::newRow("stored language applied before the choice")
        << QStringList{english} << english << missing << QStringList{english} << true;
    for (const char* algedaan : {"1.4", "ja"}) // not 1, and not a number
        QTest::addRow("algedaan %s asks again", algedaan)
            << QStringList() << missing << QString::fromLatin1(algedaan) << QStringList() << false;
}

void TestChooser::firstStart()
{
    QFETCH(QStringList, files);
    QFETCH(QString, language);
    QFETCH(QString, algedaan);
    QFETCH(QStringList, expectedList);
    QFETCH(bool, english);

    Start s;
    for (const QString& name : files) {
        if (name.endsWith(QLatin1Char('/')))
            QDir().mkpath(s.profile.programFolder() + QLatin1Char('/') + name);
        else if (name == QStringLiteral("english.lng"))
            s.addEnglish();
        else
            s.profile.writeFile(QStringLiteral("program/") + name, "x\r\n");
    }
    if (language != QStringLiteral("<missing>"))
        s.set("language", language);
    if (algedaan != QStringLiteral("<missing>"))
        s.set("algedaan", algedaan);
    s.begin();

    QVERIFY(s.chooser->isVisible());
    QVERIFY(!s.chooser->isModal());
    QVERIFY(!s.form->isVisible());
    // The main window is loaded behind the chooser, with its timer armed.
    QVERIFY(s.form->isLoaded());
    QCOMPARE(listed(s.chooser), expectedList);
    QVERIFY(s.chooser->File1->selectedItems().isEmpty());
    QCOMPARE(s.form->SetSkin->text(),
             english ? QStringLiteral("&Set as skin") : QStringLiteral("&Zet als skin"));
    QCOMPARE(s.form->statusText(),
             english ? QStringLiteral("Drapello geladen...") : QStringLiteral("Geladen"));
    QVERIFY(s.profile.dialogs->messages.empty());
    // Nothing is stored until OK.
    QCOMPARE(s.setting("algedaan"), algedaan);
}

void TestChooser::laterStart_data()
{
    QTest::addColumn<QString>("algedaan");
    QTest::addColumn<bool>("present"); // the stored language file is in the folder
    QTest::newRow("1") << QStringLiteral("1") << true;
    QTest::newRow("1 with blanks") << QStringLiteral(" 1 ") << true;
    QTest::newRow("1.0") << QStringLiteral("1.0") << true;
    QTest::newRow("stored file deleted") << QStringLiteral("1") << false;
}

void TestChooser::laterStart()
{
    QFETCH(QString, algedaan);
    QFETCH(bool, present);
    Start s;
    if (present)
        s.addEnglish();
    s.set("algedaan", algedaan);
    s.set("language", QStringLiteral("english.lng"));
    s.begin();

    QVERIFY(s.form->isVisible());
    QVERIFY(s.chooser); // kept, hidden, for the menu
    QVERIFY(!s.chooser->isVisible());
    if (present) {
        QCOMPARE(s.form->SetSkin->text(), QStringLiteral("&Set as skin"));
        QCOMPARE(s.form->lang.MsgLoaded(), QStringLiteral("Loaded"));
        QVERIFY(s.profile.dialogs->messages.empty());
        QCOMPARE(s.setting("language"), QStringLiteral("english.lng"));
        return;
    }
    QVERIFY(shownOnce(*s.profile.dialogs,
                      QStringLiteral("Language file is missing. The default language will be loaded."),
                      QStringLiteral("Error"), MessageIcon::Information));
    QCOMPARE(s.setting("language"), QString());
    QCOMPARE(s.form->statusText(), QStringLiteral("Geladen"));
    QCOMPARE(s.form->SetSkin->text(), QStringLiteral("&Zet als skin"));
}

void TestChooser::okWithSelection()
{
    Start s;
    s.addEnglish();
    s.begin();
    select(s.chooser, QStringLiteral("english.lng"));
    QCOMPARE(s.chooser->selectedFile(), QStringLiteral("english.lng"));
    QTest::mouseClick(s.chooser->Command1, Qt::LeftButton);

    QCOMPARE(s.setting("algedaan"), QStringLiteral("1"));
    QCOMPARE(s.setting("language"), QStringLiteral("english.lng"));
    // In force at once, captions and messages alike.
    QCOMPARE(s.form->SetSkin->text(), QStringLiteral("&Set as skin"));
    QCOMPARE(s.form->menu.file->title(), QStringLiteral("&File"));
    QCOMPARE(s.form->lang.MsgLoaded(), QStringLiteral("Loaded"));
    QCOMPARE(s.form->statusText(), QString());
    QVERIFY(s.profile.dialogs->messages.empty());
    QVERIFY(s.form->isVisible());
    QVERIFY(!s.chooser->isVisible());
    processDeletes();
    QVERIFY(!s.chooser);
    QVERIFY(!s.form->chooser());
}

void TestChooser::okWithoutSelection_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("setSkinCaption");
    QTest::newRow("nothing stored") << QString() << QStringLiteral("&Zet als skin");
    QTest::newRow("a file stored before")
        << QStringLiteral("english.lng") << QStringLiteral("&Set as skin");
}

void TestChooser::okWithoutSelection()
{
    QFETCH(QString, stored);
    QFETCH(QString, setSkinCaption);
    Start s;
    s.addEnglish();
    if (!stored.isEmpty())
        s.set("language", stored);
    s.begin();
    const QString loaded = s.form->lang.MsgLoaded();
    QTest::mouseClick(s.chooser->Command1, Qt::LeftButton);

    QVERIFY(shownOnce(*s.profile.dialogs, NoSelectionText, QStringLiteral("Language"),
                      MessageIcon::Information));
    QCOMPARE(s.setting("algedaan"), QStringLiteral("1"));
    QCOMPARE(s.setting("language"), QString());
    // Nothing reloads now: the texts in force stay until the next start.
    QCOMPARE(s.form->SetSkin->text(), setSkinCaption);
    QCOMPARE(s.form->lang.MsgLoaded(), loaded);
    QCOMPARE(s.form->statusText(), QString());
    QVERIFY(s.form->isVisible());
    processDeletes();
    QVERIFY(!s.chooser);
}

void TestChooser::hiddenChooserShownWithoutLoad()
{
    Start s;
    s.set("algedaan", QStringLiteral("1"));
    s.begin();
    QPointer<Form4> fromStart = s.chooser;
    s.addEnglish(); // not in the list read at start
    s.form->setStatus(QStringLiteral("marker"));

    QPointer<Form4> seen;
    QStringList seenList;
    QString seenStatus;
    bool seenModal = false;
    auto look = [&](Form4* shown) {
        seen = shown;
        seenList = shown ? listed(shown) : QStringList{QStringLiteral("<none shown>")};
        seenModal = shown && shown->isModal();
        seenStatus = s.form->statusText();
    };
    bool sameAsAtStart = false;
    openFromMenu(*s.form, [&](Form4* shown) {
        look(shown);
        sameAsAtStart = shown && shown == fromStart.data();
        if (shown)
            shown->Command1->click();
    });
    QVERIFY(sameAsAtStart);
    QVERIFY(seenModal);
    QCOMPARE(seenList, QStringList());
    QCOMPARE(seenStatus, QStringLiteral("marker"));
    QCOMPARE(s.profile.dialogs->messages.size(), size_t(1)); // OK without a selection
    processDeletes();
    QVERIFY(fromStart.isNull());

    // The next opening is a new chooser with a fresh list and a fresh load (no stored language:
    // the built-in messages come back); its choice is in force at once.
    openFromMenu(*s.form, [&](Form4* shown) {
        look(shown);
        if (shown) {
            select(shown, QStringLiteral("english.lng"));
            shown->Command1->click();
        }
    });
    QVERIFY(seenModal);
    QVERIFY(seen.isNull()); // released again by OK
    QCOMPARE(seenList, QStringList{QStringLiteral("english.lng")});
    QCOMPARE(seenStatus, QStringLiteral("Geladen"));
    QCOMPARE(s.form->SetSkin->text(), QStringLiteral("&Set as skin"));
    QCOMPARE(s.setting("language"), QStringLiteral("english.lng"));
    QCOMPARE(s.form->statusText(), QString());
    QVERIFY(s.form->isVisible());
    QVERIFY(!s.form->chooser());
}

void TestChooser::closedFromMenuWithoutOk()
{
    Start s;
    s.addEnglish();
    s.set("algedaan", QStringLiteral("1"));
    s.begin();
    s.form->setStatus(QStringLiteral("marker"));

    openFromMenu(*s.form, [&](Form4* shown) {
        if (shown) {
            select(shown, QStringLiteral("english.lng"));
            shown->close(); // the window frame's close box
        }
    });
    // Nothing stored, nothing loaded, the main window carries on; the chooser is gone.
    QCOMPARE(s.setting("language"), QStringLiteral("<missing>"));
    QCOMPARE(s.form->SetSkin->text(), QStringLiteral("&Zet als skin"));
    QCOMPARE(s.form->statusText(), QStringLiteral("marker"));
    QVERIFY(s.profile.dialogs->messages.empty());
    QVERIFY(s.form->isVisible());
    processDeletes();
    QVERIFY(!s.form->chooser());
}

QTEST_MAIN(TestChooser)
#include "test_chooser.moc"
