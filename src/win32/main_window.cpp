#include "win32/main_window.h"

#include "desktop/player_window.h"
#include "platform/native_name.h"
#include "win32/folder_tree.h"
#include "win32/pictures.h"
#include "win32/wide.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>
#include <string>

namespace ruz::win32 {

namespace {

constexpr const wchar_t* kClassName = L"TaviksRuzMain";
constexpr UINT kSyncWindow = WM_APP + 10;

// The arrangement, in pixels at 96 dots an inch: the display across the top, the position slider
// and the picture buttons under it, the folders, the option boxes, the status at the bottom. The
// tree and the list take what height the screen leaves, between their least and their design
// heights.
constexpr int kMargin = 8;
constexpr int kInner = MainWindow::kWidth - 2 * kMargin;
constexpr int kDisplayTop = kMargin;
constexpr int kDisplayHeight = 76;
constexpr int kLogoSize = 44;
constexpr int kTextLeft = kMargin + 10 + kLogoSize + 10;
constexpr int kTextWidth = kMargin + kInner - 10 - kTextLeft;
constexpr int kSongTop = kDisplayTop + 8;
constexpr int kSongHeight = 24;
constexpr int kArtistTop = kDisplayTop + 32;
constexpr int kArtistHeight = 18;
constexpr int kUserTop = kDisplayTop + 54;
constexpr int kUserHeight = 16;
constexpr int kPositionTop = kDisplayTop + kDisplayHeight + 6;
constexpr int kSliderHeight = 26;
constexpr int kButtonsTop = kPositionTop + kSliderHeight + 4;
constexpr int kButtonSize = 32;
constexpr int kButtonStep = kButtonSize + 2;
constexpr int kVolumeWidth = 86;
constexpr int kFoldersTop = kButtonsTop + kButtonSize + 6;
constexpr int kFolderLabelHeight = 18;
constexpr int kTreeTop = kFoldersTop + kButtonSize + 4;
constexpr int kTreeHeight = 130;
constexpr int kListHeight = 150;
constexpr int kLeastTreeHeight = 56;
constexpr int kLeastListHeight = 64;
constexpr int kListGap = 4;
constexpr int kOptionsGap = 6;
constexpr int kOptionRow = 20;
constexpr int kOptionColumn = kInner / 3;
constexpr int kOptionsHeight = 2 * kOptionRow + 8;
constexpr int kStatusGap = 12;
constexpr int kStatusRow = 18;
// The height of everything but the tree and the list.
constexpr int kFixedHeight =
    kTreeTop + kListGap + kOptionsGap + 2 * kOptionRow + kStatusGap + 2 * kStatusRow + kMargin;
constexpr int kSongPoints = 13;
constexpr int kArtistPoints = 10;
constexpr int kPointsPerInch = 72;

constexpr COLORREF kDisplayColour = RGB(0x1d, 0x2a, 0x3c);
constexpr COLORREF kSongColour = RGB(0xff, 0xff, 0xff);
constexpr COLORREF kArtistColour = RGB(0x8f, 0xc1, 0xff);
constexpr COLORREF kQuietColour = RGB(0x8d, 0xa2, 0xb8);
constexpr COLORREF kGlyphColour = RGB(0x20, 0x30, 0x48);

std::u16string trimmed(std::u16string text) {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && blank(text.back())) {
        text.pop_back();
    }
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    return std::u16string(first, text.end());
}

HFONT pointFont(int points, int dpi, bool bold) {
    return CreateFontW(-MulDiv(points, dpi, kPointsPerInch), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL,
                       FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                       L"Segoe UI");
}

// A menu entry's caption with `key` as its access key: the first letter that is the key, in either
// case, underlined; an "&" of the caption itself shows as written.
constexpr RECT area(int x, int y, int width, int height) {
    return RECT{x, y, x + width, y + height};
}

// Where the rows under the tree begin, in pixels at 96 dots an inch.
int listTop(const MainWindow::Arrangement& arrangement) {
    return kTreeTop + arrangement.treeHeight + kListGap;
}
int optionsTop(const MainWindow::Arrangement& arrangement) {
    return listTop(arrangement) + arrangement.listHeight + kOptionsGap;
}
int statusTop(const MainWindow::Arrangement& arrangement) {
    return optionsTop(arrangement) + 2 * kOptionRow + kStatusGap;
}
int designHeight(const MainWindow::Arrangement& arrangement) {
    return kFixedHeight + arrangement.treeHeight + arrangement.listHeight;
}

}  // namespace

// The picture buttons in their row on the skin, then those of the folder row.
struct PictureButton {
    Picture FrmAmp::*picture;
    Glyph glyph;
};
const PictureButton kPictureButtons[] = {
    {&FrmAmp::Image1, Glyph::Back},  {&FrmAmp::Image2, Glyph::Rewind},
    {&FrmAmp::Image7, Glyph::Play},  {&FrmAmp::Image3, Glyph::Pause},
    {&FrmAmp::Image6, Glyph::Mute},  {&FrmAmp::Image5, Glyph::Forward},
    {&FrmAmp::Image4, Glyph::Skip},  {&FrmAmp::Image8, Glyph::Folder},
    {&FrmAmp::Image10, Glyph::Hide},
};
constexpr int kTransportButtons = 7;

// The menu "Chat", with the command each entry runs and the test that offers it.
struct ChatEntry {
    int id;
    const wchar_t* text;
    std::function<void()> MainWindow::ChatCommands::*run;
    std::function<bool()> MainWindow::ChatCommands::*offered;
};
const ChatEntry kChatEntries[] = {
    {MainWindow::kSignOnId, L"&Sign on to a chat network...", &MainWindow::ChatCommands::signOn,
     &MainWindow::ChatCommands::signOnOffered},
    {MainWindow::kJoinId, L"&Join a chat room...", &MainWindow::ChatCommands::join,
     &MainWindow::ChatCommands::joinOffered},
    {MainWindow::kSignOffId, L"Sign o&ff", &MainWindow::ChatCommands::signOff,
     &MainWindow::ChatCommands::signOffOffered},
};
// The state line of the menu "Chat" while no chat network is signed on to.
constexpr wchar_t kNotSignedOn[] = L"Not signed on";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

MainWindow::MainWindow(FrmAmp& amp, HICON icon) : amp_(amp) {
    registerViewClass(kClassName, &viewProcedure<MainWindow>, icon);
    const int dpi = screenDpi();
    arrangement_ = Arrangement{dpi, kTreeHeight, kListHeight};

    buildMenu();
    RECT outer{0, 0, px(kWidth), px(designHeight(arrangement_))};
    AdjustWindowRectEx(&outer, kWindowStyle, TRUE, 0);
    window_ =
        CreateWindowExW(0, kClassName, wide(amp_.window.caption()).c_str(), kWindowStyle,
                        CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                        outer.bottom - outer.top, nullptr, menu_, GetModuleHandleW(nullptr), this);
    build();
    RECT at{};
    GetWindowRect(window_, &at);
    fitTo(dpi, workAreaNear(at));
    Window& control = amp_.window;
    bindings_.bind(control, [this] {
        if (!syncPending_) {
            syncPending_ = true;
            PostMessageW(window_, kSyncWindow, 0, 0);
        }
    });
}

MainWindow::Arrangement MainWindow::arrange(int dpi, SIZE room) {
    // As wide as the screen allows, then as high.
    dpi = fittingDpi(std::max(dpi, kLeastDpi), SIZE{kWidth, 0}, SIZE{0, 0},
                     RECT{0, 0, room.cx, room.cy});
    const auto design = [dpi](LONG pixels) {
        return static_cast<int>(pixels * USER_DEFAULT_SCREEN_DPI / dpi);
    };
    const int width = design(room.cx);
    const int height = design(room.cy);
    if (width >= kWidth && height >= kFixedHeight + kTreeHeight + kListHeight) {
        return {dpi, kTreeHeight, kListHeight};
    }
    const int flexible = height - kFixedHeight;
    if (width >= kWidth && flexible >= kLeastTreeHeight + kLeastListHeight) {
        int tree = std::max(flexible * kTreeHeight / (kTreeHeight + kListHeight), kLeastTreeHeight);
        const int list = std::max(flexible - tree, kLeastListHeight);
        tree = flexible - list;
        return {dpi, tree, list};
    }
    const int least = kFixedHeight + kLeastTreeHeight + kLeastListHeight;
    return {fittingDpi(dpi, SIZE{kWidth, least}, SIZE{0, 0}, RECT{0, 0, room.cx, room.cy}),
            kLeastTreeHeight, kLeastListHeight};
}

void MainWindow::fitTo(int dpi, const RECT& area) {
    const SIZE frame = frameSize(kWindowStyle, 0, true);
    arrangement_ =
        arrange(dpi, SIZE{area.right - area.left - frame.cx, area.bottom - area.top - frame.cy});
    makeFonts();
    layOut();
    RECT outer{0, 0, px(kWidth), px(designHeight(arrangement_))};
    AdjustWindowRectEx(&outer, kWindowStyle, TRUE, 0);
    RECT at{};
    GetWindowRect(window_, &at);
    const RECT inside = insideArea(RECT{at.left, at.top, at.left + outer.right - outer.left,
                                        at.top + outer.bottom - outer.top},
                                   area);
    SetWindowPos(window_, nullptr, inside.left, inside.top, inside.right - inside.left,
                 inside.bottom - inside.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, TRUE);
}

void MainWindow::makeFonts() {
    for (HFONT font : {songFont_, artistFont_, controlFont_}) {
        if (font != nullptr) {
            DeleteObject(font);
        }
    }
    songFont_ = pointFont(kSongPoints, arrangement_.dpi, true);
    artistFont_ = pointFont(kArtistPoints, arrangement_.dpi, false);
    controlFont_ = controlFont(arrangement_.dpi, false);
}

RECT MainWindow::designPlace(int id) const {
    struct Place {
        int id;
        RECT design;
    };
    const int options = optionsTop(arrangement_);
    const int status = statusTop(arrangement_);
    std::vector<Place> places = {
        {kSongId, area(kTextLeft, kSongTop, kTextWidth, kSongHeight)},
        {kArtistId, area(kTextLeft, kArtistTop, kTextWidth, kArtistHeight)},
        {kUserId, area(kTextLeft, kUserTop, kTextWidth / 2, kUserHeight)},
        {kTimeId, area(kTextLeft + kTextWidth / 2, kUserTop, kTextWidth / 2, kUserHeight)},
        {kPositionId, area(kMargin, kPositionTop, kInner, kSliderHeight)},
        {kVolumeId,
         area(kMargin + kInner - kVolumeWidth, kButtonsTop + 3, kVolumeWidth, kSliderHeight)},
        {kPictureBase + kTransportButtons, area(kMargin, kFoldersTop, kButtonSize, kButtonSize)},
        {kPictureBase + kTransportButtons + 1,
         area(kMargin + kInner - kButtonSize, kFoldersTop, kButtonSize, kButtonSize)},
        {kFolderLabelId, area(kMargin + kButtonStep, kFoldersTop + 8, kInner - 2 * kButtonStep,
                              kFolderLabelHeight)},
        {kTreeId, area(kMargin, kTreeTop, kInner, arrangement_.treeHeight)},
        {kListId, area(kMargin, listTop(arrangement_), kInner, arrangement_.listHeight)},
        {kProgressId, area(kMargin, status, kInner, kStatusRow - 4)},
        {kAwayId, area(kMargin, status + kStatusRow, kInner, kStatusRow - 2)},
    };
    for (int i = 0; i < kTransportButtons; ++i) {
        places.push_back({kPictureBase + i,
                          area(kMargin + i * kButtonStep, kButtonsTop, kButtonSize, kButtonSize)});
    }
    const std::span<const desktop::OptionBox> boxes = desktop::optionBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const desktop::OptionBox& option = boxes[i];
        places.push_back(
            {kOptionBase + static_cast<int>(i), area(kMargin + 8 + option.column * kOptionColumn,
                                                     options + 4 + option.row * kOptionRow,
                                                     option.span * kOptionColumn - 8, kOptionRow)});
    }
    for (const Place& place : places) {
        if (place.id == id) {
            return place.design;
        }
    }
    return RECT{0, 0, 0, 0};
}

RECT MainWindow::place(int id) const {
    const RECT design = designPlace(id);
    return box(design.left, design.top, design.right - design.left, design.bottom - design.top);
}

void MainWindow::layOut() {
    setChildFonts(window_, controlFont_);
    for (HWND c = GetWindow(window_, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        const RECT at = place(GetDlgCtrlID(c));
        if (IsRectEmpty(&at)) {
            continue;  // not one of the window's own parts
        }
        MoveWindow(c, at.left, at.top, at.right - at.left, at.bottom - at.top, TRUE);
    }
    SendMessageW(item(kSongId), WM_SETFONT, reinterpret_cast<WPARAM>(songFont_), TRUE);
    SendMessageW(item(kArtistId), WM_SETFONT, reinterpret_cast<WPARAM>(artistFont_), TRUE);
}

MainWindow::~MainWindow() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    DestroyAcceleratorTable(accelerators_);
    DeleteObject(songFont_);
    DeleteObject(artistFont_);
    DeleteObject(controlFont_);
    DeleteObject(displayBrush_);
}

void MainWindow::build() {
    displayBrush_ = CreateSolidBrush(kDisplayColour);
    makeFonts();
    tips_ = std::make_unique<ToolTips>(window_);
    buildDisplay();
    buildTransport();
    buildFolders();
    buildOptions();
    buildStatus();
    for (std::size_t i = 0; i < std::size(kPictureButtons); ++i) {
        tips_->add(item(kPictureBase + static_cast<int>(i)),
                   (amp_.*kPictureButtons[i].picture).toolTip());
    }
    tips_->add(item(kTreeId), amp_.ExplorerTree1.toolTip());
    tips_->add(item(kListId), amp_.File1.toolTip());
}

void MainWindow::buildDisplay() {
    // The song's title and artist: one line each in its own font, cut with an ellipsis.
    struct NameLine {
        Label& label;
        int id;
        HFONT font;
    };
    for (const NameLine& line :
         {NameLine{amp_.Song, kSongId, songFont_}, NameLine{amp_.Artist, kArtistId, artistFont_}}) {
        HWND view = child(window_, L"STATIC", u"", SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS | SS_NOPREFIX,
                          place(line.id), line.id);
        SendMessageW(view, WM_SETFONT, reinterpret_cast<WPARAM>(line.font), FALSE);
        bindings_.bind(line.label, [view, &label = line.label] {
            setWindowText(view, trimmed(displayName(label.caption())));
        });
    }
    Label& screenName = amp_.lblsn;
    HWND user =
        child(window_, L"STATIC", u"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, place(kUserId), kUserId);
    bindings_.bind(screenName, [user, &screenName] {
        setWindowText(user, screenName.caption().empty() ? u"" : u"User: " + screenName.caption());
    });
    Slider& position = amp_.Slider2;
    HWND time = child(window_, L"STATIC", u"", SS_RIGHT | SS_NOPREFIX, place(kTimeId), kTimeId);
    bindings_.bind(position,
                   [time, &position] { setWindowText(time, desktop::timeText(position)); });
}

HWND MainWindow::sliderView(Slider& slider, int id) {
    HWND widget =
        child(window_, TRACKBAR_CLASSW, u"", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, place(id), id);
    SetWindowLongPtrW(widget, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&slider));
    bindings_.bind(slider, [widget, &slider] {
        SendMessageW(widget, TBM_SETRANGEMIN, FALSE, slider.min());
        SendMessageW(widget, TBM_SETRANGEMAX, FALSE, slider.max());
        SendMessageW(widget, TBM_SETPOS, TRUE, slider.value());
    });
    tips_->add(widget, slider.toolTip());
    return widget;
}

void MainWindow::buildTransport() {
    sliderView(amp_.Slider2, kPositionId);
    for (int i = 0; i < kTransportButtons; ++i) {
        child(window_, L"BUTTON", u"", BS_OWNERDRAW, place(kPictureBase + i), kPictureBase + i);
    }
    sliderView(amp_.Slider1, kVolumeId);
}

void MainWindow::buildFolders() {
    for (const int id : {kPictureBase + kTransportButtons, kPictureBase + kTransportButtons + 1}) {
        child(window_, L"BUTTON", u"", BS_OWNERDRAW, place(id), id);
    }
    FileListBox& playlist = amp_.File1;
    HWND label = child(window_, L"STATIC", u"", SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS | SS_NOPREFIX,
                       place(kFolderLabelId), kFolderLabelId);
    bindings_.bind(playlist,
                   [label, &playlist] { setWindowText(label, shownPath(playlist.path())); });

    HWND tree = child(window_, WC_TREEVIEWW, u"",
                      WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                          TVS_SHOWSELALWAYS,
                      place(kTreeId), kTreeId);
    tree_ = std::make_unique<FolderTreeView>(tree, amp_.ExplorerTree1);
    bindings_.bind(amp_.ExplorerTree1, [this] { tree_->follow(); });

    HWND list = child(window_, L"LISTBOX", u"",
                      WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                      place(kListId), kListId);
    bindings_.bind(playlist, [list, &playlist] {
        // A new listing comes with nothing selected; a moving selection leaves the entries alone.
        const auto shown = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
        bool same = shown == playlist.count();
        if (playlist.listIndex() < 0) {
            for (int i = 0; same && i < shown; ++i) {
                const auto length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
                std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1,
                                  L'\0');
                SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
                text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
                same = fromWide(text.c_str()) == displayName(playlist.item(i));
            }
        }
        if (!same) {
            SendMessageW(list, WM_SETREDRAW, FALSE, 0);
            SendMessageW(list, LB_RESETCONTENT, 0, 0);
            for (int i = 0; i < playlist.count(); ++i) {
                const std::u16string name = displayName(playlist.item(i));
                SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(name).c_str()));
            }
            SendMessageW(list, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(list, nullptr, TRUE);
        }
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(playlist.listIndex()), 0);
    });
}

void MainWindow::buildOptions() {
    const std::span<const desktop::OptionBox> boxes = desktop::optionBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        CheckBox& control = amp_.*boxes[i].box;
        const int id = kOptionBase + static_cast<int>(i);
        HWND widget = child(window_, L"BUTTON", boxes[i].caption, BS_AUTOCHECKBOX | WS_TABSTOP,
                            place(id), id);
        bindings_.bind(control, [widget, &control] {
            const int value = control.value();
            SendMessageW(widget, BM_SETCHECK,
                         value == 0   ? BST_UNCHECKED
                         : value == 1 ? BST_CHECKED
                                      : BST_INDETERMINATE,
                         0);
        });
        std::u16string tip = desktop::optionKeysTip(i);
        if (tip.empty()) {
            tip = control.toolTip();
        } else {
            forwardOptionKeys(widget, control);
        }
        tips_->add(widget, tip);
    }
}

void MainWindow::buildStatus() {
    // While the title list is built: entries done of the playlist's total.
    HWND progress = child(window_, PROGRESS_CLASSW, u"", 0, place(kProgressId), kProgressId);
    ListBox& titles = amp_.List1;
    FileListBox& playlist = amp_.File1;
    Timer& build = amp_.Timer2;
    bindings_.bind({&titles, &playlist, &build}, [progress, &titles, &playlist, &build] {
        ShowWindow(progress, build.enabled() ? SW_SHOWNA : SW_HIDE);
        const int total = std::max(playlist.count(), 1);
        SendMessageW(progress, PBM_SETRANGE32, 0, total);
        SendMessageW(progress, PBM_SETPOS, static_cast<WPARAM>(std::min(titles.count(), total)), 0);
    });
    // Away: the minutes so far and the reason, while the idle reminder runs.
    HWND away =
        child(window_, L"STATIC", u"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, place(kAwayId), kAwayId);
    Label& minutes = amp_.minutes;
    Label& reason = amp_.idlereason;
    Timer& reminder = amp_.idle;
    bindings_.bind({&minutes, &reason, &reminder}, [away, &minutes, &reason, &reminder] {
        setWindowText(away, u"Idle for " + minutes.caption() + u" min: " + reason.caption());
        ShowWindow(away, reminder.enabled() ? SW_SHOWNA : SW_HIDE);
    });
}

void MainWindow::buildMenu() {
    menu_ = CreateMenu();
    HMENU options = CreatePopupMenu();
    const std::span<const desktop::OptionEntry> entries = desktop::optionEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& entry = amp_.*entries[i].entry;
        AppendMenuW(options, MF_STRING, static_cast<UINT_PTR>(kMenuBase + static_cast<int>(i)),
                    wide(desktop::withAccessKey(entry.caption(), entries[i].key)).c_str());
    }
    AppendMenuW(options, MF_SEPARATOR, 0, nullptr);
    std::vector<ACCEL> keys;
    const std::span<const desktop::ActionRow> commands = desktop::actionRows();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const desktop::ActionRow& row = commands[i];
        const auto id = static_cast<WORD>(kPlayOrPauseId + static_cast<int>(i));
        const std::u16string text =
            desktop::withAccessKey(row.text, row.accessKey) + u'\t' + desktop::keyName(row);
        AppendMenuW(options, MF_STRING, id, wide(text).c_str());
        // A letter's virtual key is its capital; the space bar's is the space.
        keys.push_back(ACCEL{static_cast<BYTE>(FVIRTKEY | (row.control ? FCONTROL : 0)),
                             static_cast<WORD>(row.key), id});
    }
    accelerators_ = CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
    AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(options),
                wide(desktop::kOptionsMenu).c_str());
    HMENU chat = CreatePopupMenu();
    AppendMenuW(chat, MF_STRING | MF_GRAYED, static_cast<UINT_PTR>(kChatStatusId), kNotSignedOn);
    AppendMenuW(chat, MF_SEPARATOR, 0, nullptr);
    for (const ChatEntry& entry : kChatEntries) {
        AppendMenuW(chat, MF_STRING, static_cast<UINT_PTR>(entry.id), entry.text);
    }
    AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(chat), L"&Chat");
    HMENU credits = CreatePopupMenu();
    const int tavik = kMenuBase + static_cast<int>(desktop::optionEntries().size());
    AppendMenuW(
        credits, MF_STRING, static_cast<UINT_PTR>(tavik),
        wide(desktop::withAccessKey(amp_.mnutavikProgrammers.caption(), desktop::kCreditsKey))
            .c_str());
    AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(credits),
                wide(desktop::kCreditsMenu).c_str());
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_INITMENUPOPUP:
            offerChatCommands();
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE && onSessionEnd) {
                onSessionEnd();
            }
            return 0;
        case WM_HSCROLL:
            scrolled(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == kTreeId && tree_) {
                tree_->notified(*header);
            }
            return 0;
        }
        case WM_DRAWITEM:
            return drawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_PAINT:
            paint();
            return 0;
        case WM_CTLCOLORSTATIC: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            struct Ink {
                int id;
                COLORREF colour;
            };
            // The display's labels are light on its dark face; the others are left as they are.
            const Ink inks[] = {{kSongId, kSongColour},
                                {kArtistId, kArtistColour},
                                {kUserId, kQuietColour},
                                {kTimeId, kQuietColour}};
            for (const Ink& ink : inks) {
                if (ink.id == id) {
                    auto* dc = reinterpret_cast<HDC>(wParam);
                    SetTextColor(dc, ink.colour);
                    SetBkColor(dc, kDisplayColour);
                    return reinterpret_cast<LRESULT>(displayBrush_);
                }
            }
            break;
        }
        case WM_NCHITTEST: {
            // The skin's picture drags the window.
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ScreenToClient(window_, &at);
            const RECT logo = box(kMargin + 10, kDisplayTop + 10, kLogoSize, kLogoSize);
            if (PtInRect(&logo, at)) {
                return HTCAPTION;
            }
            break;
        }
        case WM_DPICHANGED: {
            // Moved to a screen of another density: laid out anew for it, where the system
            // suggests, inside that screen's work area.
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            fitTo(HIWORD(wParam), workAreaNear(suggested));
            return 0;
        }
        case kSyncWindow:
            syncPending_ = false;
            syncWindow();
            return 0;
        case WM_SIZE:
            if (!syncing_ && IsWindowVisible(window_)) {
                const bool minimised = wParam == SIZE_MINIMIZED;
                amp_.window.setWindowState(minimised ? kWindowMinimized : kWindowNormal);
                // Brought back from the taskbar by the user: the window is shown again.
                if (!minimised && !amp_.window.visible()) {
                    amp_.window.setVisible(true);
                }
            }
            break;
        case WM_CLOSE:
            // The window stays until the program ends; closing it ends the program.
            amp_.Form_Unload();
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::offerChatCommands() {
    for (const ChatEntry& entry : kChatEntries) {
        const std::function<bool()>& offered = chat_.*entry.offered;
        EnableMenuItem(menu_, static_cast<UINT>(entry.id),
                       MF_BYCOMMAND | (offered && offered() ? MF_ENABLED : MF_GRAYED));
    }
    const std::wstring status = chat_.status ? wide(chat_.status()) : std::wstring(kNotSignedOn);
    ModifyMenuW(menu_, static_cast<UINT>(kChatStatusId), MF_BYCOMMAND | MF_STRING | MF_GRAYED,
                static_cast<UINT_PTR>(kChatStatusId), status.c_str());
}

void MainWindow::command(int id, int code, HWND from) {
    const auto pictures = static_cast<int>(std::size(kPictureButtons));
    if (id >= kPictureBase && id < kPictureBase + pictures && code == BN_CLICKED) {
        (amp_.*kPictureButtons[id - kPictureBase].picture).click();
        return;
    }
    const auto options = static_cast<int>(desktop::optionBoxes().size());
    if (id >= kOptionBase && id < kOptionBase + options && code == BN_CLICKED) {
        CheckBox& box =
            amp_.*desktop::optionBoxes()[static_cast<std::size_t>(id - kOptionBase)].box;
        box.userClick();
        // The control decides; the box shows its value even when nothing changed.
        SendMessageW(from, BM_SETCHECK, box.value() == 0 ? BST_UNCHECKED : BST_CHECKED, 0);
        return;
    }
    const auto entries = static_cast<int>(desktop::optionEntries().size());
    if (id >= kMenuBase && id < kMenuBase + entries) {
        const MenuEntry& entry =
            amp_.*desktop::optionEntries()[static_cast<std::size_t>(id - kMenuBase)].entry;
        // The command-words window, open but behind others, comes to the front instead.
        if (&entry == &amp_.mnuhelp && ccoms_ != nullptr && IsWindowVisible(ccoms_) &&
            GetForegroundWindow() != ccoms_) {
            SetForegroundWindow(ccoms_);
            return;
        }
        entry.click();
        return;
    }
    if (id == kMenuBase + entries) {
        amp_.mnutavikProgrammers.click();
        return;
    }
    if (id == kListId && code == LBN_SELCHANGE) {
        const auto row = static_cast<int>(SendMessageW(from, LB_GETCURSEL, 0, 0));
        if (row >= 0) {
            amp_.File1.userSelect(row);
        }
        return;
    }
    for (const ChatEntry& entry : kChatEntries) {
        const std::function<bool()>& offered = chat_.*entry.offered;
        const std::function<void()>& run = chat_.*entry.run;
        if (id == entry.id) {
            if (offered && offered() && run) {
                run();
            }
            return;
        }
    }
    const auto commands = static_cast<int>(desktop::actionRows().size());
    if (id >= kPlayOrPauseId && id < kPlayOrPauseId + commands) {
        desktop::run(desktop::actionRows()[static_cast<std::size_t>(id - kPlayOrPauseId)].action,
                     amp_);
    }
}

void MainWindow::scrolled(HWND slider, int code) {
    auto* control = reinterpret_cast<Slider*>(GetWindowLongPtrW(slider, GWLP_USERDATA));
    // Every user action (drag, click on the groove, keys, wheel) becomes the control's scroll;
    // the end of a drag or of a key press is no new action.
    if (control == nullptr || code == TB_ENDTRACK || code == TB_THUMBPOSITION) {
        return;
    }
    control->userScroll(static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0)));
}

void MainWindow::paint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window_, &paint);
    const RECT display = box(kMargin, kDisplayTop, kInner, kDisplayHeight);
    HGDIOBJ oldBrush = SelectObject(dc, displayBrush_);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    RoundRect(dc, display.left, display.top, display.right, display.bottom, px(12), px(12));
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    drawLogo(dc, px(kMargin + 10), px(kDisplayTop + 10), px(kLogoSize));
    const RECT options = box(kMargin, optionsTop(arrangement_), kInner, kOptionsHeight);
    RECT edge = options;
    DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    EndPaint(window_, &paint);
}

LRESULT MainWindow::drawButton(const DRAWITEMSTRUCT& item) {
    const auto index = static_cast<int>(item.CtlID) - kPictureBase;
    if (index < 0 || index >= static_cast<int>(std::size(kPictureButtons))) {
        return FALSE;
    }
    RECT face = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    DrawFrameControl(item.hDC, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    if (pressed) {
        OffsetRect(&face, 1, 1);
    }
    drawGlyph(item.hDC, face, kPictureButtons[index].glyph, kGlyphColour);
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(item.hDC, &focus);
    }
    return TRUE;
}

void MainWindow::syncWindow() {
    const Window& control = amp_.window;
    setWindowText(window_, control.caption());
    const bool frontAsked = control.frontRequests() != frontRequestsSeen_;
    frontRequestsSeen_ = control.frontRequests();
    syncing_ = true;
    const bool shown = IsWindowVisible(window_) != FALSE;
    const bool minimised = IsIconic(window_) != FALSE;
    if (!control.visible()) {
        if (shown) {
            ShowWindow(window_, SW_HIDE);  // to the icon in the notification area
        }
    } else if (control.windowState() == kWindowMinimized) {
        if (!minimised) {
            ShowWindow(window_, SW_MINIMIZE);
        }
    } else {
        if (minimised) {
            ShowWindow(window_, SW_RESTORE);
        }
        if (!shown) {
            ShowWindow(window_, SW_SHOW);
        }
        if (!shown || minimised || frontAsked) {
            SetForegroundWindow(window_);
        }
    }
    syncing_ = false;
}

bool MainWindow::comeForward() {
    if (!amp_.window.visible() || IsWindowVisible(window_) == FALSE) {
        return false;
    }
    if (IsIconic(window_) == FALSE && GetForegroundWindow() == window_) {
        return false;
    }
    amp_.window.setWindowState(kWindowNormal);
    amp_.window.bringToFront();
    return true;
}

}  // namespace ruz::win32
