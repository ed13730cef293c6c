#include "gui/about_dialog.h"

#include "core/maker_site.h"
#include "core/skin_controller.h"
#include "gui/window_placement.h"

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

AboutDialog::AboutDialog(SkinController& controller, QWidget* owner)
    : QDialog(owner), controller_(controller)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Drapello"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(317, 220); // 4755 x 3300 twips
    setMouseTracking(true);

    // Positions are the twips of the original layout divided by 15.
    QLabel* name =
        makeLabel(this, "nameLabel", QStringLiteral("Drapello v1.2"), QRect(8, 3, 305, 25));
    QFont title(QStringLiteral("MS Sans Serif"));
    title.setPointSizeF(13.5);
    title.setWeight(QFont::Normal);
    name->setFont(title);

    makeLabel(this, "makerLabel",
              QStringLiteral("Freeware by Korvane Software, ") + makerSiteName(),
              QRect(8, 29, 305, 17));
    versions_ = makeLabel(this, "versionsLabel", LanguageTable::defaultText(UiText::AboutVersions),
                          QRect(8, 48, 305, 17));
    thanks_ = makeLabel(this, "thanksLabel", LanguageTable::defaultText(UiText::AboutThanks),
                        QRect(8, 64, 305, 41));
    thanks_->setWordWrap(true);
    thanks_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* people = new QPlainTextEdit(this);
    people->setObjectName(QStringLiteral("thanksText"));
    people->setGeometry(8, 112, 297, 49);
    people->setReadOnly(true);
    people->document()->setDocumentMargin(2); // three lines fit without a scroll bar
    people->setPlainText(QStringLiteral("alle skinmakers, de beta-testers,\n"
                                        "de vertalers van de taalbestanden,\n"
                                        "het forum, en iedereen die een fout meldde"));
    QPalette background = people->palette();
    background.setColor(QPalette::Base, palette().color(QPalette::Window));
    people->setPalette(background);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(8, 168, 297, 9);
    // An "&" in a language file's texts marks a mnemonic, as in every caption; a label shows
    // it only with a buddy, the control its key leads to.
    versions_->setBuddy(people);
    thanks_->setBuddy(people);

    link_ = makeLabel(this, "siteLink", LanguageTable::defaultText(UiText::VisitItem),
                      QRect(8, 192, 121, 17));
    QPalette blue = link_->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    link_->setPalette(blue);
    link_->setCursor(Qt::PointingHandCursor);
    link_->setMouseTracking(true);
    link_->installEventFilter(this);
    link_->setBuddy(link_); // its key follows the link (eventFilter)

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(232, 184, 73, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept); // hidden, not released

    centreOnScreen(*this);
}

void AboutDialog::setLinkUnderline(bool on)
{
    QFont font = link_->font();
    if (font.underline() == on)
        return;
    font.setUnderline(on);
    link_->setFont(font);
}

void AboutDialog::pointerOverLink(int x, int y)
{
    bool on = true;
    if (x < 0 || y < 0)
        on = false;
    if (x > link_->width() || y > link_->height())
        on = false;
    setLinkUnderline(on);
}

void AboutDialog::linkClicked()
{
    setLinkUnderline(false);
    controller_.visitSite();
}

void AboutDialog::pointerOverBackground()
{
    setLinkUnderline(false);
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == link_) {
        switch (event->type()) {
        case QEvent::MouseMove: {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            pointerOverLink(at.x(), at.y());
            return true;
        }
        case QEvent::Shortcut:
            linkClicked();
            return true;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                linkPressed_ = true;
            return true;
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && linkPressed_) {
                linkPressed_ = false;
                // A click is a press and release both on the link.
                if (link_->rect().contains(mouse->position().toPoint()))
                    linkClicked();
            }
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::mouseMoveEvent(QMouseEvent* event)
{
    // Moves over controls that do not take them arrive here too; only the bare background
    // counts.
    if (!childAt(event->position().toPoint()))
        pointerOverBackground();
    QDialog::mouseMoveEvent(event);
}

void AboutDialog::applyCaptions()
{
    const LanguageManager& language = controller_.language();
    link_->setText(language.text(UiText::VisitItem));
    versions_->setText(language.text(UiText::AboutVersions));
    thanks_->setText(language.text(UiText::AboutThanks));
}
