#include "win32/folder_tree.h"

#include "win32/view_support.h"
#include "win32/wide.h"

#include <array>
#include <vector>

namespace ruz::win32 {

namespace {

constexpr LPARAM kFilled = 1;
constexpr std::size_t kNameRoom = MAX_PATH;

bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The folder's parts: "C:\" first, then each folder's name.
std::vector<std::wstring> partsOf(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::wstring part;
    for (const wchar_t c : path) {
        if (c == L'\\' || c == L'/') {
            if (parts.empty()) {
                part += L'\\';  // the drive's root
            }
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(parts.empty() ? part + L'\\' : part);
    }
    return parts;
}

}  // namespace

FolderTreeView::FolderTreeView(HWND tree, FolderTree& folder) : tree_(tree), folder_(folder) {
    std::array<wchar_t, 512> drives{};
    const DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(drives.size()), drives.data());
    for (const wchar_t* drive = drives.data(); length > 0 && length < drives.size() && *drive != 0;
         drive += wcslen(drive) + 1) {
        add(TVI_ROOT, drive);
    }
}

HTREEITEM FolderTreeView::add(HTREEITEM parent, const std::wstring& name) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(name.c_str());
    // Every folder may have folders inside: it is listed when first opened.
    insert.item.cChildren = 1;
    insert.item.lParam = 0;
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

std::wstring FolderTreeView::textOf(HTREEITEM item) const {
    std::array<wchar_t, kNameRoom> name{};
    TVITEMW read{};
    read.mask = TVIF_TEXT;
    read.hItem = item;
    read.pszText = name.data();
    read.cchTextMax = static_cast<int>(name.size());
    SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read));
    return name.data();
}

std::wstring FolderTreeView::pathOf(HTREEITEM item) const {
    std::wstring path;
    for (HTREEITEM at = item; at != nullptr; at = TreeView_GetParent(tree_, at)) {
        std::wstring name = textOf(at);
        if (!path.empty() && !name.empty() && name.back() != L'\\') {
            name += L'\\';
        }
        path = name + path;
    }
    return path;
}

void FolderTreeView::fill(HTREEITEM item) {
    TVITEMW state{};
    state.mask = TVIF_PARAM;
    state.hItem = item;
    SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&state));
    if (state.lParam == kFilled) {
        return;
    }
    state.lParam = kFilled;
    SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&state));

    std::wstring pattern = pathOf(item);
    if (!pattern.empty() && pattern.back() != L'\\') {
        pattern += L'\\';
    }
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchLimitToDirectories, nullptr, 0);
    int count = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != L"." &&
                name != L"..") {
                add(item, name);
                ++count;
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    if (count == 0) {
        TVITEMW none{};
        none.mask = TVIF_CHILDREN;
        none.hItem = item;
        none.cChildren = 0;
        SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&none));
    }
    TreeView_SortChildren(tree_, item, FALSE);
}

void FolderTreeView::notified(const NMHDR& header) {
    if (header.code == TVN_ITEMEXPANDINGW) {
        const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
        if (change.action == TVE_EXPAND) {
            fill(change.itemNew.hItem);
        }
        return;
    }
    if (header.code == TVN_SELCHANGEDW && !following_) {
        const auto& change = reinterpret_cast<const NMTREEVIEWW&>(header);
        if (change.action == TVC_BYMOUSE || change.action == TVC_BYKEYBOARD) {
            folder_.userPick(corePath(fromWide(pathOf(change.itemNew.hItem).c_str())));
        }
    }
}

void FolderTreeView::follow() {
    const std::u16string& path = folder_.path();
    const std::wstring wanted(path.begin(), path.end());
    HTREEITEM at = nullptr;
    for (const std::wstring& part : partsOf(wanted)) {
        if (at != nullptr) {
            fill(at);
            TreeView_Expand(tree_, at, TVE_EXPAND);
        }
        HTREEITEM next = at == nullptr ? TreeView_GetRoot(tree_) : TreeView_GetChild(tree_, at);
        while (next != nullptr && !sameName(textOf(next), part)) {
            next = TreeView_GetNextSibling(tree_, next);
        }
        if (next == nullptr) {
            break;  // a folder the tree cannot show: the deepest one it can stays selected
        }
        at = next;
    }
    following_ = true;
    TreeView_SelectItem(tree_, at);
    if (at != nullptr) {
        TreeView_EnsureVisible(tree_, at);
    }
    following_ = false;
}

}  // namespace ruz::win32
