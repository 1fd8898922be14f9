#include "ui/ccoms_view.h"

#include "desktop/player_window.h"

#include "qt/qt_text.h"
#include "ui/logo.h"
#include "ui/view_binding.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace ruz::ui {

namespace {

constexpr int kStripHeight = 26;
constexpr int kStripLogoSize = 18;
constexpr int kHideButtonSize = 22;
constexpr int kColumns = 3;
constexpr int kBoxWidth = 88;

// The buttons held down, as picture controls count them.
int buttonBits(Qt::MouseButtons buttons) {
    int bits = 0;
    if (buttons & Qt::LeftButton) {
        bits |= kLeftButton;
    }
    if (buttons & Qt::RightButton) {
        bits |= kRightButton;
    }
    if (buttons & Qt::MiddleButton) {
        bits |= kMiddleButton;
    }
    return bits;
}

QLineEdit* boxView(TextBox& box, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setToolTip(toQString(box.toolTip()));
    edit->setAccessibleName(toQString(box.name()));
    bindView(box, edit, [&box](QLineEdit& w) {
        if (w.text() != toQString(box.text())) {
            w.setText(toQString(box.text()));
        }
    });
    QObject::connect(edit, &QLineEdit::textEdited, edit,
                     [&box](const QString& text) { box.setText(fromQString(text)); });
    return edit;
}

}  // namespace

DragStrip::DragStrip(Picture& picture, QString title, QWidget* parent)
    : QWidget(parent), picture_(picture), title_(std::move(title)) {
    setFixedHeight(kStripHeight);
    setToolTip(toQString(picture.toolTip()));
    setMouseTracking(true);
    setCursor(Qt::SizeAllCursor);
}

void DragStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient face(0, 0, 0, height());
    face.setColorAt(0, QColor(0x3a, 0x7b, 0xd5));
    face.setColorAt(1, QColor(0x1c, 0x3f, 0x73));
    painter.fillRect(rect(), face);
    const int margin = (height() - kStripLogoSize) / 2;
    painter.drawPixmap(margin, margin, logoPixmap(kStripLogoSize));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(rect().adjusted(kStripLogoSize + 2 * margin + 2, 0, 0, 0),
                     Qt::AlignVCenter | Qt::AlignLeft, title_);
}

QPoint DragStrip::pointerTwips(const QMouseEvent& event) const {
    return mapFromGlobal(event.globalPosition().toPoint()) * kTwipsPerPixel;
}

void DragStrip::mousePressEvent(QMouseEvent* event) {
    const QPoint at = pointerTwips(*event);
    picture_.mouseDown(buttonBits(event->buttons()), at.x(), at.y());
}

void DragStrip::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = pointerTwips(*event);
    picture_.mouseMove(buttonBits(event->buttons()), at.x(), at.y());
}

CcomsView::CcomsView(Ccoms& words)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), words_(words) {
    setWindowIcon(logoIcon());
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    // Without a frame of its own the window draws a thin outline.
    auto* outline = new QFrame(this);
    outline->setFrameShape(QFrame::Box);
    outline->setLineWidth(1);
    outer->addWidget(outline);
    auto* frame = new QVBoxLayout(outline);
    frame->setContentsMargins(1, 1, 1, 1);
    frame->setSpacing(0);

    auto* strip = new DragStrip(words.Image26, toQString(words.window.caption()), outline);
    auto* stripRow = new QHBoxLayout(strip);
    stripRow->setContentsMargins(0, 0, 2, 0);
    stripRow->addStretch(1);
    auto* hide = new QToolButton(strip);
    hide->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    hide->setAutoRaise(true);
    hide->setFixedSize(kHideButtonSize, kHideButtonSize);
    hide->setToolTip(toQString(words.Image27.toolTip()));
    hide->setCursor(Qt::ArrowCursor);
    connect(hide, &QToolButton::clicked, hide, [&words] { words.Image27.click(); });
    stripRow->addWidget(hide);
    frame->addWidget(strip);

    auto* body = new QWidget(outline);
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    int slot = 0;
    for (int i = 0; i < kWordCount; ++i) {
        const auto word = static_cast<Word>(i);
        if (word == Word::Announcement) {
            continue;
        }
        TextBox* box = &words.box(word);
        const int row = slot / kColumns;
        const int column = (slot % kColumns) * 2;
        auto* caption = new QLabel(toQString(desktop::boxCaption(*box)), body);
        caption->setTextFormat(Qt::PlainText);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(caption, row, column);
        QLineEdit* edit = boxView(*box, body);
        edit->setFixedWidth(kBoxWidth);
        grid->addWidget(edit, row, column + 1);
        ++slot;
    }
    {
        TextBox* announcement = &words.box(Word::Announcement);
        const int row = (slot + kColumns - 1) / kColumns;
        auto* caption = new QLabel(toQString(desktop::boxCaption(*announcement)), body);
        caption->setTextFormat(Qt::PlainText);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(caption, row, 0);
        grid->addWidget(boxView(*announcement, body), row, 1, 1, kColumns * 2 - 1);
    }
    frame->addWidget(body);
    adjustSize();

    bindView(words.window, this, [&words](CcomsView& w) {
        w.setWindowTitle(toQString(words.window.caption()));
        w.move(qRound(static_cast<double>(words.window.left()) / kTwipsPerPixel),
               qRound(static_cast<double>(words.window.top()) / kTwipsPerPixel));
        if (words.window.visible() && !w.isVisible()) {
            w.show();
            w.raise();
        } else if (!words.window.visible() && w.isVisible()) {
            w.hide();
        }
    });
}

void CcomsView::closeEvent(QCloseEvent* event) {
    // Closing the window hides it, as its hide button does; it is never destroyed.
    event->ignore();
    words_.Image27.click();
}

}  // namespace ruz::ui
