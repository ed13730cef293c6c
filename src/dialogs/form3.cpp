#include "dialogs/form3.h"

#include "app/form1.h"
#include "app/window_placement.h"
#include "dialogs/website.h"
#include "language/language_table.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

namespace {
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setTextFormat(Qt::PlainText); // language files may carry anything
    return label;
}
} // namespace

Form3::Form3(Form1& owner) : QDialog(&owner), owner_(owner)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("About Drapello"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(317, 220); // 4755 x 3300 twips
    setMouseTracking(true);

    // Positions are the twips of the original layout divided by 15.
    Label1 = makeLabel(this, "Label1", QStringLiteral("Drapello v1.2"), QRect(8, 3, 305, 25));
    QFont title(QStringLiteral("MS Sans Serif"));
    title.setPointSizeF(13.5);
    title.setWeight(QFont::Normal);
    Label1->setFont(title);

    Label4 = makeLabel(this, "Label4",
                       QStringLiteral("Freeware by Korvane Software, ") + makerSiteName(),
                       QRect(8, 29, 305, 17));
    Label2 = makeLabel(this, "Label2", LanguageTable::defaultText(24), QRect(8, 48, 305, 17));
    Label5 = makeLabel(this, "Label5", LanguageTable::defaultText(25), QRect(8, 64, 305, 41));
    Label5->setWordWrap(true);
    Label5->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(8, 112, 297, 49);
    Text1->setReadOnly(true);
    Text1->document()->setDocumentMargin(2); // three lines fit without a scroll bar
    Text1->setPlainText(QStringLiteral("alle skinmakers, de beta-testers,\n"
                                       "de vertalers van de taalbestanden,\n"
                                       "het forum, en iedereen die een fout meldde"));
    QPalette background = Text1->palette();
    background.setColor(QPalette::Base, palette().color(QPalette::Window));
    Text1->setPalette(background);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::HLine);
    Frame1->setFrameShadow(QFrame::Sunken);
    Frame1->setGeometry(8, 168, 297, 9);

    Label3 = makeLabel(this, "Label3", LanguageTable::defaultText(23), QRect(8, 192, 121, 17));
    QPalette blue = Label3->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label3->setPalette(blue);
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setMouseTracking(true);
    Label3->installEventFilter(this);

    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(232, 184, 73, 25);
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);

    centreOnScreen(*this);
}

bool Form3::linkUnderlined() const
{
    return Label3->font().underline();
}

void Form3::setLinkUnderline(bool on)
{
    QFont font = Label3->font();
    if (font.underline() == on)
        return;
    font.setUnderline(on);
    Label3->setFont(font);
}

void Form3::Label3_MouseMove(int x, int y)
{
    bool on = true;
    if (x < 0 || y < 0)
        on = false;
    if (x > Label3->width() || y > Label3->height())
        on = false;
    setLinkUnderline(on);
}

void Form3::Label3_Click()
{
    setLinkUnderline(false);
    owner_.bezoek(makerSiteUrl());
}

void Form3::Form_MouseMove()
{
    setLinkUnderline(false);
}

void Form3::Command1_Click()
{
    accept(); // hidden, not released
}

bool Form3::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label3) {
        switch (event->type()) {
        case QEvent::MouseMove: {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            Label3_MouseMove(at.x(), at.y());
            return true;
        }
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                linkPressed_ = true;
            return true;
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && linkPressed_) {
                linkPressed_ = false;
                // A click is a press and release both on the link.
                if (Label3->rect().contains(mouse->position().toPoint()))
                    owner_.runCommand([this] { Label3_Click(); });
            }
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Form3::mouseMoveEvent(QMouseEvent* event)
{
    // Moves over controls that do not take them arrive here too; only the bare background
    // counts.
    if (!childAt(event->position().toPoint()))
        Form_MouseMove();
    QDialog::mouseMoveEvent(event);
}
