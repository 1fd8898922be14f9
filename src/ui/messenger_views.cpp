#include "ui/messenger_views.h"

#include "ui/sign_on_dialog.h"
#include "ui/transcript_view.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ruz::ui {

namespace {
constexpr int kRoomWidth = 500;
constexpr int kRoomHeight = 380;
constexpr int kBuddyWidth = 220;
constexpr int kBuddyHeight = 280;
constexpr int kMemberNameWidth = 90;
const QString kDefaultMember = QStringLiteral("guest");

QString windowText(const winsys::WindowModel& windows, winsys::Hwnd window) {
    return QString::fromStdString(windows.textUtf8(window));
}
}  // namespace

ChatRoomView::ChatRoomView(standin::MessengerStandIn& messenger, const winsys::WindowModel& windows)
    : messenger_(messenger), windows_(windows) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(6);

    // With several rooms open, the one chosen here comes in front, and the program talks there.
    rooms_ = new QComboBox(this);
    connect(rooms_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < listedRooms_.size()) {
            messenger_.frontRoom(listedRooms_[static_cast<std::size_t>(index)]);
        }
    });
    column->addWidget(rooms_);

    transcript_ = new TranscriptView(this);
    // The input box keeps the focus; a click still selects text in the transcript.
    transcript_->setFocusPolicy(Qt::ClickFocus);
    column->addWidget(transcript_, 1);

    auto* sendRow = new QHBoxLayout();
    input_ = new QLineEdit(this);
    input_->setPlaceholderText(tr("Type a message"));
    // Typing is the messenger's own business: the box holds what the user has typed so far.
    connect(input_, &QLineEdit::textEdited, this,
            [this](const QString& text) { messenger_.typeInput(text.toStdString()); });
    connect(input_, &QLineEdit::returnPressed, this, [this] { send(); });
    sendRow->addWidget(input_, 1);
    auto* sendButton = new QPushButton(tr("Send"), this);
    connect(sendButton, &QPushButton::clicked, this, [this] { send(); });
    sendRow->addWidget(sendButton);
    column->addLayout(sendRow);

    memberRow_ = new QWidget(this);
    memberRow_->setObjectName(QStringLiteral("postAs"));
    auto* memberRow = new QHBoxLayout(memberRow_);
    memberRow->setContentsMargins(0, 0, 0, 0);
    memberRow->addWidget(new QLabel(tr("Post as"), memberRow_));
    member_ = new QLineEdit(kDefaultMember, memberRow_);
    member_->setFixedWidth(kMemberNameWidth);
    member_->setToolTip(tr("Another member of the room"));
    memberRow->addWidget(member_);
    memberText_ = new QLineEdit(memberRow_);
    memberText_->setPlaceholderText(tr("A line from that member"));
    connect(memberText_, &QLineEdit::returnPressed, this, [this] { postAsMember(); });
    memberRow->addWidget(memberText_, 1);
    auto* postButton = new QPushButton(tr("Post"), memberRow_);
    connect(postButton, &QPushButton::clicked, this, [this] { postAsMember(); });
    memberRow->addWidget(postButton);
    column->addWidget(memberRow_);

    resize(kRoomWidth, kRoomHeight);
    input_->setFocus();
}

void ChatRoomView::refresh() {
    const winsys::Hwnd room = messenger_.frontRoomWindow();
    if (room == 0) {
        hide();
        return;
    }
    setWindowTitle(windowText(windows_, room));
    memberRow_->setVisible(!messenger_.frontRoomLinked());
    refreshRoomList();
    transcript_->show([this](text::Index from, text::Index& length) {
        std::size_t whole = 0;
        const std::string utf8 = messenger_.transcriptUtf8From(
            static_cast<std::size_t>(std::max<text::Index>(from, 0)), whole);
        length = static_cast<text::Index>(whole);
        return text::fromUtf8(utf8);
    });
    const QString typed = QString::fromStdString(messenger_.inputUtf8());
    if (typed != input_->text()) {
        input_->setText(typed);
    }
    if (!isVisible()) {
        show();
    }
}

void ChatRoomView::refreshRoomList() {
    const std::vector<int> open = messenger_.openRoomNumbers();
    if (open != listedRooms_) {
        listedRooms_ = open;
        rooms_->clear();
        for (const int number : open) {
            rooms_->addItem(QString::fromStdString(messenger_.roomCaption(number)));
        }
    }
    const auto front =
        std::find(listedRooms_.begin(), listedRooms_.end(), messenger_.frontRoomNumber());
    if (front != listedRooms_.end()) {
        rooms_->setCurrentIndex(static_cast<int>(front - listedRooms_.begin()));
    }
    rooms_->setVisible(listedRooms_.size() > 1);
}

void ChatRoomView::send() {
    messenger_.typeInput(input_->text().toStdString());
    messenger_.pressSend();
}

void ChatRoomView::postAsMember() {
    const QString name = member_->text().trimmed();
    if (messenger_.frontRoomLinked() || name.isEmpty() || memberText_->text().isEmpty()) {
        return;
    }
    if (messenger_.memberSays(name.toStdString(), memberText_->text().toStdString())) {
        memberText_->clear();
    }
}

void ChatRoomView::closeEvent(QCloseEvent* event) {
    // The messenger's user leaves the room; the next room in front, if any, takes the window.
    event->ignore();
    messenger_.leaveFrontRoom();
}

BuddyListView::BuddyListView(standin::MessengerStandIn& messenger,
                             const winsys::WindowModel& windows, winsys::Hwnd dialog)
    : messenger_(messenger), windows_(windows), dialog_(dialog) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);

    name_ = new QLabel(this);
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);
    name_->setTextFormat(Qt::PlainText);
    column->addWidget(name_);
    status_ = new QLabel(tr("Online"), this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    column->addWidget(status_);

    buddies_ = new QListWidget(this);
    column->addWidget(buddies_, 1);

    auto* join = new QPushButton(tr("Join a chat room"), this);
    connect(join, &QPushButton::clicked, this, [this] {
        if (onJoin) {
            onJoin();
        } else {
            messenger_.openRoom();
        }
    });
    column->addWidget(join);
    signOn_ = new QPushButton(tr("Sign on to a chat network..."), this);
    connect(signOn_, &QPushButton::clicked, this, [this] {
        if (onSignOn) {
            onSignOn();
        }
    });
    column->addWidget(signOn_);
    signOff_ = new QPushButton(tr("Sign off"), this);
    signOff_->setEnabled(false);
    connect(signOff_, &QPushButton::clicked, this, [this] {
        if (onSignOff) {
            onSignOff();
        }
    });
    column->addWidget(signOff_);
    resize(kBuddyWidth, kBuddyHeight);
    refresh();
}

void BuddyListView::refresh() {
    const QString caption = windowText(windows_, dialog_);
    if (caption != windowTitle()) {
        setWindowTitle(caption);
    }
    const QString name = QString::fromStdString(messenger_.screenName());
    if (name != name_->text()) {
        name_->setText(name);
        buddies_->clear();
        buddies_->addItem(tr("Buddies (1/1)"));
        buddies_->addItem(QStringLiteral("    ") + name);
    }
}

void BuddyListView::setSignedOn(bool open, bool live) {
    signOn_->setEnabled(!live);
    signOff_->setEnabled(open);
}

void BuddyListView::setStatus(const QString& status) {
    if (status != status_->text()) {
        status_->setText(status);
    }
}

void BuddyListView::closeEvent(QCloseEvent* event) {
    // The messenger stays signed on as long as the program runs.
    event->ignore();
    showMinimized();
}

}  // namespace ruz::ui
