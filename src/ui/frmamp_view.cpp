#include "ui/frmamp_view.h"

#include "desktop/player_window.h"
#include "platform/native_name.h"
#include "qt/qt_text.h"
#include "ui/logo.h"
#include "ui/plain_text.h"
#include "ui/view_binding.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileSystemModel>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace ruz::ui {

namespace {

constexpr int kLogoSize = 44;
constexpr int kButtonSize = 32;
constexpr int kButtonIconSize = 20;
constexpr int kVolumeWidth = 86;
constexpr int kSongPointSize = 13;
constexpr int kArtistPointSize = 10;
constexpr int kSmallPointSize = 8;
constexpr int kTreeHeight = 130;
constexpr int kPlaylistHeight = 150;
constexpr int kWindowWidth = 360;
constexpr int kWindowHeight = 600;
// The folder whose entries the playlist widget shows.
constexpr const char* kListedFolder = "listedFolder";

const QString kDisplayStyle = QStringLiteral(
    "#display { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #24344a, "
    "stop:1 #15202e); border-radius: 6px; }"
    "#display QLabel { color: #dce6f2; background: transparent; }"
    "#display QLabel#song { color: #ffffff; }"
    "#display QLabel#artist { color: #8fc1ff; }"
    "#display QLabel#quiet { color: #8da2b8; }");

// A one-line label that never widens its window: a text longer than the room it has is cut with
// an ellipsis, and shown whole in its tool tip.
class ElidedLabel final : public QLabel {
  public:
    explicit ElidedLabel(QWidget* parent) : QLabel(parent) {
        setTextFormat(Qt::PlainText);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setMinimumWidth(1);
    }
    void setFullText(const QString& text) {
        full_ = text;
        setToolTip(plainToolTip(text));
        elide();
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        elide();
    }

  private:
    void elide() { setText(fontMetrics().elidedText(full_, Qt::ElideRight, width())); }
    QString full_;
};

void setPointSize(QWidget& widget, int points, bool bold) {
    QFont font = widget.font();
    font.setPointSize(points);
    font.setBold(bold);
    widget.setFont(font);
}

// A slider whose every user action (drag, click on the groove, keys, wheel) becomes the control's
// scroll; the program's values come back through the view listener.
QSlider* sliderView(Slider& slider, QWidget* parent) {
    auto* widget = new QSlider(Qt::Horizontal, parent);
    widget->setToolTip(toQString(slider.toolTip()));
    bindView(slider, widget, [&slider](QSlider& w) {
        const QSignalBlocker quiet(&w);
        w.setRange(slider.min(), slider.max());
        w.setValue(slider.value());
    });
    QObject::connect(widget, &QAbstractSlider::actionTriggered, widget,
                     [&slider, widget](int) { slider.userScroll(widget->sliderPosition()); });
    return widget;
}

}  // namespace

FrmAmpView::FrmAmpView(FrmAmp& amp) : amp_(amp) {
    setWindowIcon(logoIcon());
    buildMenus();

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);
    column->addWidget(buildDisplay());
    column->addWidget(buildTransport());
    column->addWidget(buildFolders(), 1);
    column->addWidget(buildOptions());
    column->addWidget(buildStatus());
    setCentralWidget(central);
    resize(kWindowWidth, kWindowHeight);

    windowSync_.setSingleShot(true);
    windowSync_.setInterval(0);
    connect(&windowSync_, &QTimer::timeout, this, [this] { syncWindow(); });
    Window& window = amp_.window;
    bindView(window, this, [](FrmAmpView& w) { w.windowSync_.start(); });
}

QWidget* FrmAmpView::buildDisplay() {
    auto* display = new QFrame(this);
    display->setObjectName(QStringLiteral("display"));
    display->setStyleSheet(kDisplayStyle);
    auto* grid = new QGridLayout(display);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(2);

    // Image9: the skin's picture, nothing more.
    auto* picture = new QLabel(display);
    picture->setPixmap(logoPixmap(kLogoSize));
    picture->setToolTip(toQString(amp_.Image9.toolTip()));
    grid->addWidget(picture, 0, 0, 3, 1, Qt::AlignTop);

    Label& songLabel = amp_.Song;
    auto* song = new ElidedLabel(display);
    song->setObjectName(QStringLiteral("song"));
    setPointSize(*song, kSongPointSize, true);
    bindView(songLabel, song, [&songLabel](ElidedLabel& w) {
        w.setFullText(toQString(displayName(songLabel.caption())).trimmed());
    });
    grid->addWidget(song, 0, 1, 1, 2);

    Label& artistLabel = amp_.Artist;
    auto* artist = new ElidedLabel(display);
    artist->setObjectName(QStringLiteral("artist"));
    setPointSize(*artist, kArtistPointSize, false);
    bindView(artistLabel, artist, [&artistLabel](ElidedLabel& w) {
        w.setFullText(toQString(displayName(artistLabel.caption())).trimmed());
    });
    grid->addWidget(artist, 1, 1, 1, 2);

    auto* user = new QLabel(display);
    user->setTextFormat(Qt::PlainText);
    user->setObjectName(QStringLiteral("quiet"));
    setPointSize(*user, kSmallPointSize, false);
    Label& screenName = amp_.lblsn;
    bindView(screenName, user, [&screenName](QLabel& w) {
        w.setText(screenName.caption().empty()
                      ? QString()
                      : QStringLiteral("User: ") + toQString(screenName.caption()));
    });
    grid->addWidget(user, 2, 1);

    auto* time = new QLabel(display);
    time->setTextFormat(Qt::PlainText);
    time->setObjectName(QStringLiteral("quiet"));
    setPointSize(*time, kSmallPointSize, false);
    Slider& position = amp_.Slider2;
    bindView(position, time,
             [&position](QLabel& w) { w.setText(toQString(desktop::timeText(position))); });
    grid->addWidget(time, 2, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    return display;
}

QToolButton* FrmAmpView::pictureButton(Picture& picture, Glyph glyph) {
    auto* button = new QToolButton(this);
    button->setIcon(
        QIcon(glyphPixmap(glyph, kButtonIconSize, button->palette().color(QPalette::ButtonText))));
    button->setIconSize(QSize(kButtonIconSize, kButtonIconSize));
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setToolTip(toQString(picture.toolTip()));
    button->setAccessibleName(toQString(picture.name()));
    connect(button, &QToolButton::clicked, button, [&picture] { picture.click(); });
    return button;
}

QWidget* FrmAmpView::buildTransport() {
    auto* panel = new QWidget(this);
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(4);

    rows->addWidget(sliderView(amp_.Slider2, panel));

    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(2);
    // The picture buttons in their row on the skin.
    buttons->addWidget(pictureButton(amp_.Image1, Glyph::Back));
    buttons->addWidget(pictureButton(amp_.Image2, Glyph::Rewind));
    buttons->addWidget(pictureButton(amp_.Image7, Glyph::Play));
    buttons->addWidget(pictureButton(amp_.Image3, Glyph::Pause));
    buttons->addWidget(pictureButton(amp_.Image6, Glyph::Mute));
    buttons->addWidget(pictureButton(amp_.Image5, Glyph::Forward));
    buttons->addWidget(pictureButton(amp_.Image4, Glyph::Skip));
    buttons->addStretch(1);
    auto* speaker = new QLabel(panel);
    speaker->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(16, 16));
    buttons->addWidget(speaker);
    QSlider* volume = sliderView(amp_.Slider1, panel);
    volume->setFixedWidth(kVolumeWidth);
    buttons->addWidget(volume);
    rows->addLayout(buttons);
    return panel;
}

QWidget* FrmAmpView::buildFolders() {
    auto* panel = new QWidget(this);
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(4);

    auto* header = new QHBoxLayout();
    header->setSpacing(4);
    header->addWidget(pictureButton(amp_.Image8, Glyph::Folder));
    auto* folderLabel = new QLabel(panel);
    folderLabel->setTextFormat(Qt::PlainText);
    FileListBox& playlist = amp_.File1;
    bindView(playlist, folderLabel, [&playlist](QLabel& w) {
        w.setText(toQString(playlist.path()));
        w.setToolTip(plainToolTip(toQString(playlist.path())));
    });
    folderLabel->setMinimumWidth(1);
    header->addWidget(folderLabel, 1);
    // Image10: hides the window to its icon.
    header->addWidget(pictureButton(amp_.Image10, Glyph::Hide));
    rows->addLayout(header);

    auto* split = new QSplitter(Qt::Vertical, panel);
    split->setChildrenCollapsible(false);

    auto* model = new QFileSystemModel(split);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model->setRootPath(QDir::rootPath());
    auto* tree = new QTreeView(split);
    tree->setModel(model);
    tree->setRootIndex(model->index(QDir::rootPath()));
    for (int column = 1; column < model->columnCount(); ++column) {
        tree->hideColumn(column);
    }
    tree->header()->hide();
    tree->setMinimumHeight(kTreeHeight / 2);
    tree->setToolTip(toQString(amp_.ExplorerTree1.toolTip()));
    followFolder(*tree, *model);
    split->addWidget(tree);

    auto* list = new QListWidget(split);
    list->setToolTip(toQString(playlist.toolTip()));
    list->setMinimumHeight(kPlaylistHeight / 2);
    bindView(playlist, list, [&playlist](QListWidget& w) {
        const QSignalBlocker quiet(&w);
        // A new listing always comes with nothing selected; a moving selection leaves the entries
        // alone, so a long list is not compared on every step.
        const QString listed = w.property(kListedFolder).toString();
        const QString path = toQString(playlist.path());
        if (playlist.listIndex() < 0 || w.count() != playlist.count() || listed != path) {
            bool same = w.count() == playlist.count() && listed == path;
            for (int i = 0; same && i < playlist.count(); ++i) {
                same = w.item(i)->text() == toQString(displayName(playlist.item(i)));
            }
            if (!same) {
                w.clear();
                for (int i = 0; i < playlist.count(); ++i) {
                    w.addItem(toQString(displayName(playlist.item(i))));
                }
                w.setProperty(kListedFolder, path);
            }
        }
        w.setCurrentRow(playlist.listIndex());
        if (QListWidgetItem* current = w.currentItem()) {
            w.scrollToItem(current);
        }
    });
    // An empty list says what to do.
    auto* hint = new QLabel(tr("No songs in this folder. Pick a folder with MP3, MP2 or M3U files "
                               "in the tree above, or open one with the folder button."),
                            list->viewport());
    hint->setObjectName(QStringLiteral("emptyPlaylistHint"));
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignCenter);
    hint->setEnabled(false);
    auto* hintPlace = new QVBoxLayout(list->viewport());
    hintPlace->addWidget(hint);
    bindView(playlist, hint, [&playlist](QLabel& w) { w.setVisible(playlist.count() == 0); });
    // A click selects its entry through the control. Keys that move the current row select too;
    // a row that a mouse press made current waits for its click.
    connect(list, &QListWidget::currentRowChanged, list, [&playlist](int row) {
        if (QApplication::mouseButtons() == Qt::NoButton && row >= 0) {
            playlist.userSelect(row);
        }
    });
    connect(list, &QListWidget::clicked, list,
            [&playlist](const QModelIndex& index) { playlist.userSelect(index.row()); });
    split->addWidget(list);
    split->setSizes({kTreeHeight, kPlaylistHeight});
    rows->addWidget(split, 1);
    return panel;
}

void FrmAmpView::followFolder(QTreeView& tree, QFileSystemModel& model) {
    FolderTree& folder = amp_.ExplorerTree1;
    // The program's path: the view follows it without raising a pick.
    bindView(folder, &tree, [&folder, &model](QTreeView& w) {
        const QModelIndex index =
            folder.path().empty() ? QModelIndex() : model.index(toQString(folder.path()));
        if (!index.isValid()) {
            w.clearSelection();
            return;
        }
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) {
            w.expand(up);
        }
        w.setCurrentIndex(index);
        w.scrollTo(index, QAbstractItemView::PositionAtCenter);
    });
    // Folders load in the background; once the current one's parent is there it can be shown.
    connect(&model, &QFileSystemModel::directoryLoaded, &tree, [&tree](const QString&) {
        if (tree.currentIndex().isValid()) {
            tree.scrollTo(tree.currentIndex(), QAbstractItemView::PositionAtCenter);
        }
    });
    // The user's pick: a click, or Return on the current folder.
    connect(&tree, &QTreeView::clicked, &tree, [&folder, &model](const QModelIndex& index) {
        folder.userPick(fromQString(model.filePath(index)));
    });
    connect(&tree, &QTreeView::activated, &tree, [&folder, &model](const QModelIndex& index) {
        if (QApplication::mouseButtons() == Qt::NoButton) {
            folder.userPick(fromQString(model.filePath(index)));
        }
    });
}

QCheckBox* FrmAmpView::optionBox(CheckBox& box, const QString& caption) {
    auto* widget = new QCheckBox(caption, this);
    widget->setToolTip(toQString(box.toolTip()));
    widget->setAccessibleName(toQString(box.name()));
    bindView(box, widget, [&box](QCheckBox& w) {
        const QSignalBlocker quiet(&w);
        w.setTristate(box.value() != 0 && box.value() != 1);
        w.setCheckState(box.value() == 0   ? Qt::Unchecked
                        : box.value() == 1 ? Qt::Checked
                                           : Qt::PartiallyChecked);
    });
    connect(widget, &QCheckBox::clicked, widget, [&box, widget] {
        box.userClick();
        // The control decides; the box shows its value even when nothing changed.
        const QSignalBlocker quiet(widget);
        widget->setCheckState(box.value() == 0 ? Qt::Unchecked : Qt::Checked);
    });
    widget->installEventFilter(new OptionKeyForwarder(box, widget));
    return widget;
}

QWidget* FrmAmpView::buildOptions() {
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(2);
    const std::span<const desktop::OptionBox> boxes = desktop::optionBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const desktop::OptionBox& option = boxes[i];
        QCheckBox* box = optionBox(amp_.*option.box, toQString(option.caption));
        if (const std::u16string tip = desktop::optionKeysTip(i); !tip.empty()) {
            box->setToolTip(toQString(tip));
        }
        grid->addWidget(box, option.row, option.column, 1, option.span);
    }
    return panel;
}

QWidget* FrmAmpView::buildStatus() {
    auto* panel = new QWidget(this);
    auto* rows = new QVBoxLayout(panel);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);

    // While the title list is built: entries done of the playlist's total.
    auto* progress = new QProgressBar(panel);
    progress->setFormat(tr("Building titles: %v of %m"));
    progress->setAlignment(Qt::AlignCenter);
    ListBox& titles = amp_.List1;
    FileListBox& playlist = amp_.File1;
    Timer& build = amp_.Timer2;
    bindView({&titles, &playlist, &build}, progress, [&titles, &playlist, &build](QProgressBar& w) {
        w.setVisible(build.enabled());
        w.setRange(0, std::max(playlist.count(), 1));
        w.setValue(std::min(titles.count(), w.maximum()));
    });
    rows->addWidget(progress);

    // Away: the minutes so far and the reason, while the idle reminder runs.
    auto* away = new QLabel(panel);
    away->setTextFormat(Qt::PlainText);
    Label& minutes = amp_.minutes;
    Label& reason = amp_.idlereason;
    Timer& reminder = amp_.idle;
    bindView({&minutes, &reason, &reminder}, away, [&minutes, &reason, &reminder](QLabel& w) {
        w.setText(tr("Idle for %1 min: %2").arg(minutes.caption(), reason.caption()));
        w.setVisible(reminder.enabled());
    });
    rows->addWidget(away);
    return panel;
}

void FrmAmpView::buildMenus() {
    QMenu* options = menuBar()->addMenu(toQString(desktop::kOptionsMenu));
    options->setToolTipsVisible(true);
    for (const desktop::OptionEntry& row : desktop::optionEntries()) {
        MenuEntry* entry = &(amp_.*row.entry);
        const QString text = toQString(desktop::withAccessKey(entry->caption(), row.key));
        options->addAction(text, this, [this, entry] {
            // The command-words window, open but behind others, comes to the front instead.
            if (entry == &amp_.mnuhelp && ccomsView_ && ccomsView_->isVisible() &&
                !ccomsView_->isActiveWindow()) {
                ccomsView_->raise();
                ccomsView_->activateWindow();
                return;
            }
            entry->click();
        });
    }
    options->addSeparator();
    // The desktop's own ways in: keys for the commonest actions, and Quit; the keys work with the
    // menu closed.
    for (const desktop::ActionRow& row : desktop::actionRows()) {
        auto* action =
            new QAction(toQString(desktop::withAccessKey(row.text, row.accessKey)), this);
        const QKeySequence keys(row.control ? QKeyCombination(Qt::CTRL, Qt::Key(row.key))
                                            : QKeyCombination(Qt::Key(row.key)));
        action->setShortcut(keys);
        action->setToolTip(toQString(row.tip) + QStringLiteral(" (") +
                           keys.toString(QKeySequence::NativeText) + u')');
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this,
                [this, action = row.action] { desktop::run(action, amp_); });
        addAction(action);
        options->addAction(action);
    }
    QMenu* credits = menuBar()->addMenu(toQString(desktop::kCreditsMenu));
    MenuEntry& tavik = amp_.mnutavikProgrammers;
    credits->addAction(toQString(desktop::withAccessKey(tavik.caption(), desktop::kCreditsKey)),
                       this, [&tavik] { tavik.click(); });
}

void FrmAmpView::syncWindow() {
    const Window& window = amp_.window;
    setWindowTitle(toQString(window.caption()));
    const bool frontAsked = window.frontRequests() != frontRequestsSeen_;
    frontRequestsSeen_ = window.frontRequests();
    if (!window.visible()) {
        if (!isVisible()) {
            return;  // not shown yet, or hidden already
        }
        // Without a notification area there is no icon to come back from: the window goes to the
        // taskbar instead.
        if (QSystemTrayIcon::isSystemTrayAvailable()) {
            hide();
            if (window.windowState() == kWindowMinimized) {
                setWindowState(windowState() | Qt::WindowMinimized);
            }
        } else if (!isMinimized()) {
            showMinimized();
        }
        return;
    }
    if (window.windowState() == kWindowMinimized) {
        if (!isMinimized()) {
            showMinimized();
        }
        return;
    }
    const bool comesBack = !isVisible() || isMinimized();
    if (isMinimized()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    if (!isVisible()) {
        show();
    }
    if (comesBack || frontAsked) {
        raise();
        activateWindow();
    }
}

bool FrmAmpView::comeForward() {
    if (!amp_.window.visible() || !isVisible()) {
        return false;
    }
    // Behind another window of the program's own, which has the focus. (A click on the icon may
    // take the focus from every window of the program: then the window counts as in front.)
    const QWidget* active = QApplication::activeWindow();
    if (!isMinimized() && (active == nullptr || active == this)) {
        return false;
    }
    amp_.window.setWindowState(kWindowNormal);
    amp_.window.bringToFront();
    return true;
}

void FrmAmpView::closeEvent(QCloseEvent* event) {
    // The window stays until the program ends; closing it ends the program.
    event->ignore();
    amp_.Form_Unload();
}

void FrmAmpView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && isVisible()) {
        amp_.window.setWindowState(isMinimized() ? kWindowMinimized : kWindowNormal);
        // Brought back from the taskbar by the user: the window is shown again.
        if (!isMinimized() && !amp_.window.visible()) {
            amp_.window.setVisible(true);
        }
    }
    QMainWindow::changeEvent(event);
}

}  // namespace ruz::ui
