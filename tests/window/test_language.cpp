#include "app/form1.h"
#include "app/interface_look.h"
#include "app/windows1252.h"
#include "dialogs/form2.h"
#include "dialogs/form3.h"
#include "dialogs/website.h"
#include "language/form4.h"
#include "language/lng_file.h"
#include "support/test_platform.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QtTest>
#include <memory>

namespace {
// "T<n> é" for every line, in Windows-1252 with CR LF.
QString testText(int line)
{
    return QStringLiteral("T%1 \u00E9").arg(line);
}

QByteArray testFile(int lines = 26)
{
    QByteArray bytes;
    for (int line = 1; line <= lines; ++line)
        bytes += toWindows1252(testText(line)) + "\r\n";
    return bytes;
}

struct Fixture {
    TestProfile profile;
    Platform platform = profile.makePlatform();
    std::unique_ptr<Form1> form = std::make_unique<Form1>(platform);

    QString write(const QString& name, const QByteArray& bytes)
    {
        return profile.writeFile(QStringLiteral("program/") + name, bytes);
    }
};

using Getter = QString (*)(Form1&);
struct Target {
    const char* name;
    int line;
    Getter text;
};

// Every place a language file's line ends up, the dialogs included.
const Target Targets[] = {
    {"SetSkin", 1, [](Form1& f) { return f.SetSkin->text(); }},
    {"MsgSkinInstalled", 2, [](Form1& f) { return f.lang.MsgSkinInstalled(); }},
    {"MsgBackgroundRemoved", 3, [](Form1& f) { return f.lang.MsgBackgroundRemoved(); }},
    {"MsgErrorPrefix", 4, [](Form1& f) { return f.lang.MsgErrorPrefix(); }},
    {"MsgListDownloaded", 5, [](Form1& f) { return f.lang.MsgListDownloaded(); }},
    {"MsgListMissing", 6, [](Form1& f) { return f.lang.MsgListMissing(); }},
    {"MsgPreparing", 7, [](Form1& f) { return f.lang.MsgPreparing(); }},
    {"MsgLoaded", 8, [](Form1& f) { return f.lang.MsgLoaded(); }},
    {"MsgDownloadFailed", 9, [](Form1& f) { return f.lang.MsgDownloadFailed(); }},
    {"MsgSkinDownloaded", 10, [](Form1& f) { return f.lang.MsgSkinDownloaded(); }},
    {"file", 11, [](Form1& f) { return f.menu.file->title(); }},
    {"update", 12, [](Form1& f) { return f.menu.update->text(); }},
    {"close", 13, [](Form1& f) { return f.menu.close->text(); }},
    {"options", 14, [](Form1& f) { return f.menu.options->title(); }},
    {"skin", 15, [](Form1& f) { return f.menu.skin->text(); }},
    {"deleteskins", 16, [](Form1& f) { return f.menu.deleteskins->text(); }},
    {"manualskin", 17, [](Form1& f) { return f.menu.manualskin->text(); }},
    {"settings", 18, [](Form1& f) { return f.menu.settings->text(); }},
    {"Form2 caption", 18, [](Form1& f) { return f.form2()->windowTitle(); }},
    {"language", 19, [](Form1& f) { return f.menu.language->text(); }},
    {"out", 20, [](Form1& f) { return f.menu.out->text(); }},
    {"in", 21, [](Form1& f) { return f.menu.in->text(); }},
    {"help", 22, [](Form1& f) { return f.menu.help->title(); }},
    {"visit", 23, [](Form1& f) { return f.menu.visit->text(); }},
    {"Form3 Label3", 23, [](Form1& f) { return f.form3()->Label3->text(); }},
    {"Form3 Label2", 24, [](Form1& f) { return f.form3()->Label2->text(); }},
    {"Form3 Label5", 25, [](Form1& f) { return f.form3()->Label5->text(); }},
    {"Form2 Check1", 26, [](Form1& f) { return f.form2()->Check1->text(); }},
};

QByteArray shippedEnglishBytes()
{
    return readFileBytes(QStringLiteral(DRAPELLO_SOURCE_DIR "/resources/english.lng"));
}

// Each label, check box and button of the window whose text does not fit the place drawn for
// it: name, text, size needed > size it has.
QStringList cutOffTexts(const QWidget& window)
{
    QStringList cut;
    auto check = [&cut](const QWidget* w, const QString& text, QSize needed) {
        if (needed.width() > w->width() || needed.height() > w->height())
            QDebug(&cut.emplace_back()) << w->objectName() << text << needed << ">" << w->size();
    };
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        const QSize needed =
            label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->sizeHint();
        check(label, label->text(), needed);
    }
    // The box's indicator may overhang its height by a pixel or two; its caption must not.
    for (const QCheckBox* box : window.findChildren<QCheckBox*>())
        check(box, box->text(), QSize(box->sizeHint().width(), box->fontMetrics().height()));
    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
        // A button's size hint asks for a wide minimum; only its caption must fit.
        const QString caption = QString(button->text()).remove(QLatin1Char('&'));
        const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        check(button, caption,
              QSize(button->fontMetrics().horizontalAdvance(caption) + 2 * margin,
                    button->fontMetrics().height()));
    }
    return cut;
}
} // namespace

class TestLanguage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyTarget_data();
    void everyTarget();
    void firstCaptionLoadsTheMainWindow();
    void invalidFile_data();
    void invalidFile();
    void missingFile_data();
    void missingFile();
    void everyTextFits_data();
    void everyTextFits();
    void shippedEnglish();
    void shippedEnglishLiesBesideTheProgram();
};

void TestLanguage::everyTarget_data()
{
    QTest::addColumn<int>("target");
    for (int i = 0; i < int(std::size(Targets)); ++i)
        QTest::newRow(Targets[i].name) << i;
}

void TestLanguage::everyTarget()
{
    QFETCH(int, target);
    const Target& t = Targets[target];
    Fixture f;
    f.form->LoadDefaultLanguage();
    const QString before = t.text(*f.form);
    f.form->LoadLanguage(f.write(QStringLiteral("test.lng"), testFile()));
    QVERIFY(before != testText(t.line));
    QCOMPARE(t.text(*f.form), testText(t.line));
    QVERIFY(f.profile.dialogs->messages.empty());
}

void TestLanguage::firstCaptionLoadsTheMainWindow()
{
    Fixture f;
    const QString status = f.form->statusText();
    QVERIFY(!f.form->isLoaded());
    f.form->LoadLanguage(f.write(QStringLiteral("test.lng"), testFile()));
    QVERIFY(f.form->isLoaded());
    QCOMPARE(f.profile.setting(QStringLiteral("path")), f.profile.programFolder());
    // Loading a file never writes the status bar.
    QCOMPARE(f.form->statusText(), status);
    QVERIFY(!f.form->isVisible());
}

void TestLanguage::invalidFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("kept");
    QTest::newRow("25 lines") << testFile(25) << 25;
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("line 3 over 64 KiB")
        << testFile(2) + QByteArray(MaxLanguageLineBytes + 1, 'x') + "\r\n" + testFile(26) << 2;
}

void TestLanguage::invalidFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, kept);
    Fixture f;
    f.profile.setSetting(QStringLiteral("language"), QStringLiteral("bad.lng"));
    f.form->LoadLanguage(f.write(QStringLiteral("bad.lng"), bytes));

    QCOMPARE(f.profile.setting(QStringLiteral("language")), QString());
    QVERIFY(shownOnce(*f.profile.dialogs,
                      QStringLiteral("Error in language file, cannot read input. Restart this "
                                     "program to load the default language."),
                      QStringLiteral("Error"), MessageIcon::Critical));

    // Lines read before the failure stay; the rest and every caption are untouched.
    for (int line = 1; line <= LanguageTable::EntryCount; ++line)
        QCOMPARE(f.form->lang.entry(line), line <= kept ? testText(line) : QString());
    QCOMPARE(f.form->SetSkin->text(), LanguageTable::defaultText(1));
    QCOMPARE(f.form->menu.close->text(), LanguageTable::defaultText(13));
    QVERIFY(!f.form->findChild<Form3*>());
    // No control was touched, so the main window has not loaded yet.
    QVERIFY(!f.form->isLoaded());
}

void TestLanguage::missingFile_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("deleted file") << false;
    QTest::newRow("a folder of that name") << true;
}

void TestLanguage::missingFile()
{
    QFETCH(bool, folder);
    Fixture f;
    f.form->LoadLanguage(f.write(QStringLiteral("test.lng"), testFile()));
    f.form->setStatus(QStringLiteral("marker"));
    f.profile.setSetting(QStringLiteral("language"), QStringLiteral("gone.lng"));
    const QString path = f.profile.programFolder() + QStringLiteral("/gone.lng");
    if (folder)
        QVERIFY(QDir().mkpath(path));

    f.form->LoadLanguage(path);

    QVERIFY(shownOnce(*f.profile.dialogs,
                      QStringLiteral("Language file is missing. The default language will be loaded."),
                      QStringLiteral("Error"), MessageIcon::Information));
    QCOMPARE(f.profile.setting(QStringLiteral("language")), QString());
    QCOMPARE(f.form->statusText(), QStringLiteral("Geladen"));
    for (int line = LanguageTable::SkinInstalled; line <= LanguageTable::SkinDownloaded; ++line)
        QCOMPARE(f.form->lang.entry(line), LanguageTable::defaultText(line));
    // Captions keep the earlier file's texts until the next start.
    QCOMPARE(f.form->SetSkin->text(), testText(1));
    QCOMPARE(f.form->form3()->Label3->text(), testText(23));
}

void TestLanguage::everyTextFits_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("built-in Dutch") << false;
    QTest::newRow("english.lng") << true;
}

void TestLanguage::everyTextFits()
{
    QFETCH(bool, english);
    useInterfaceFont();
    Fixture f;
    if (english)
        f.form->LoadLanguage(f.write(QStringLiteral("english.lng"), shippedEnglishBytes()));
    else
        f.form->LoadDefaultLanguage();
    Form4 chooser(*f.form);
    chooser.Form_Load();
    QStringList cut;
    for (QWidget* window :
         {static_cast<QWidget*>(f.form.get()), static_cast<QWidget*>(f.form->form2()),
          static_cast<QWidget*>(f.form->form3()), static_cast<QWidget*>(&chooser)}) {
        window->show();
        cut += cutOffTexts(*window);
    }
    cut.removeDuplicates(); // the dialogs are children of the main window too
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("\n"))));
    // Shown dialogs keep the texts the language gave them.
    const QStringList lines = fromWindows1252(shippedEnglishBytes()).split(QStringLiteral("\r\n"));
    QCOMPARE(f.form->form2()->Check1->text(),
             english ? lines.at(25) : LanguageTable::defaultText(26));
    QCOMPARE(f.form->form3()->Label5->text(),
             english ? lines.at(24) : LanguageTable::defaultText(25));

    // Whatever the server or a language file sends stays one line of its own characters.
    f.form->setStatus(QStringLiteral("<i>Sport</i>\r\n"));
    const QLabel* status = f.form->StatusBar1->findChild<QLabel*>();
    QCOMPARE(status->sizeHint().width(),
             status->fontMetrics().horizontalAdvance(QStringLiteral("<i>Sport</i>\\r\\n")));
}

void TestLanguage::shippedEnglish()
{
    const QByteArray bytes = shippedEnglishBytes();
    // CR LF throughout, every line ended, nothing but the 26 lines.
    QCOMPARE(bytes.count("\r\n"), qsizetype(26));
    QCOMPARE(bytes.count('\n'), qsizetype(26));
    QCOMPARE(bytes.count('\r'), qsizetype(26));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(fromWindows1252(bytes).size(), bytes.size());

    TestProfile profile;
    const LanguageFileContent content =
        readLanguageFile(profile.writeFile(QStringLiteral("program/english.lng"), bytes));
    QVERIFY(content.complete());
    for (int line = 1; line <= LanguageTable::EntryCount; ++line) {
        const QString text = content.lines.at(line - 1);
        QVERIFY2(!text.trimmed().isEmpty(), qPrintable(QString::number(line)));
        // Mnemonics where the built-in captions have them, and nowhere else.
        QCOMPARE(text.contains(QLatin1Char('&')),
                 LanguageTable::defaultText(line).contains(QLatin1Char('&')));
        if (line == LanguageTable::ErrorPrefix)
            QVERIFY(text.endsWith(QLatin1Char(' ')) && !text.endsWith(QStringLiteral("  ")));
        else
            QCOMPARE(text, text.trimmed());
    }
    QVERIFY(content.lines.at(22).endsWith(QLatin1Char(' ') + makerSiteName()));
}

void TestLanguage::shippedEnglishLiesBesideTheProgram()
{
    QFile copy(QStringLiteral(DRAPELLO_BINARY_DIR "/bin/english.lng"));
    QVERIFY2(copy.open(QIODevice::ReadOnly), "the build did not copy english.lng");
    QCOMPARE(copy.readAll(), shippedEnglishBytes());
}

QTEST_MAIN(TestLanguage)
#include "test_language.moc"
