// The link checks against the in-process window model, with the messenger stand-in playing the
// rooms: one stand-in per room, as one messenger program per room would be.
#include "link_checks.h"

#include "platform/winsys/codepage.h"
#include "platform/winsys/window_model.h"
#include "standin/messenger_standin.h"

#include <memory>
#include <string>
#include <vector>

namespace ruz::linkcheck {
namespace {

using winsys::Hwnd;

class ModelRoomDriver final : public RoomDriver {
  public:
    ModelRoomDriver() = default;
    ModelRoomDriver(const ModelRoomDriver&) = delete;
    ModelRoomDriver& operator=(const ModelRoomDriver&) = delete;
    ~ModelRoomDriver() override { closeAll(); }

    winsys::WindowSystem& windows() override { return model_; }

    int openRoom(const std::string& screenName, const std::string& timeText) override {
        return open(screenName, timeText, false);
    }

    int openUnicodeRoom(const std::string& screenName, const std::string& timeText) override {
        return open(screenName, timeText, true);
    }

    int open(const std::string& screenName, const std::string& timeText, bool unicode) {
        Room room;
        room.standIn =
            std::make_unique<standin::MessengerStandIn>(model_, [timeText] { return timeText; });
        room.standIn->signOn(screenName);
        if (unicode) {
            room.standIn->openLinkedRoom("Chat Room", nullptr, 0);
        } else {
            room.standIn->openRoom();
        }
        room.window = room.standIn->frontRoomWindow();
        const std::vector<Hwnd> children = model_.children(room.window);
        if (children.size() < 2) {
            return 0;
        }
        room.view = firstChild(children[0]);
        room.input = firstChild(children[1]);
        rooms_.push_back(std::move(room));
        return static_cast<int>(rooms_.size());
    }

    bool openDialog(const std::string& captionBytes) override {
        const Hwnd dialog =
            model_.createWindow(standin::MessengerStandIn::kDialogClass, captionBytes);
        dialogs_.push_back(dialog);
        return dialog != 0;
    }

    bool frontRoom(int number) override {
        const Room* room = find(number);
        return room != nullptr && model_.bringToFront(room->window);
    }

    bool roomOpen(int number) override {
        const Room* room = find(number);
        return room != nullptr && model_.exists(room->window);
    }

    // Bytes of the code page whatever the window's kind, as an ANSI call would see them.
    std::string transcriptBytes(int number) override {
        return winsys::utf8ToCp1252(model_.textUtf8(view(number)));
    }
    std::string transcriptUtf8(int number) override { return model_.textUtf8(view(number)); }
    std::string inputBytes(int number) override {
        return winsys::utf8ToCp1252(model_.textUtf8(input(number)));
    }
    bool setTranscriptBytes(int number, const std::string& bytes) override {
        return model_.setTextUtf8(view(number), winsys::cp1252ToUtf8(bytes));
    }
    bool typeInputBytes(int number, const std::string& bytes) override {
        return model_.setTextUtf8(input(number), winsys::cp1252ToUtf8(bytes));
    }
    int sendPresses(int number) override {
        const Room* room = find(number);
        return room != nullptr ? static_cast<int>(room->standIn->sentByProgram().size()) : 0;
    }

    void closeAll() override {
        for (Room& room : rooms_) {
            room.standIn.reset();  // before its windows: it detaches itself from them
            model_.destroyWindow(room.window);
        }
        rooms_.clear();
        for (const Hwnd dialog : dialogs_) {
            model_.destroyWindow(dialog);
        }
        dialogs_.clear();
    }

  private:
    struct Room {
        std::unique_ptr<standin::MessengerStandIn> standIn;
        Hwnd window = 0;
        Hwnd view = 0;
        Hwnd input = 0;
    };

    Hwnd firstChild(Hwnd parent) const {
        const std::vector<Hwnd> children = model_.children(parent);
        return children.empty() ? 0 : children.front();
    }
    const Room* find(int number) const {
        return number >= 1 && number <= static_cast<int>(rooms_.size()) ? &rooms_[number - 1]
                                                                        : nullptr;
    }
    Hwnd view(int number) const {
        const Room* room = find(number);
        return room != nullptr ? room->view : 0;
    }
    Hwnd input(int number) const {
        const Room* room = find(number);
        return room != nullptr ? room->input : 0;
    }

    winsys::WindowModel model_;
    std::vector<Room> rooms_;
    std::vector<Hwnd> dialogs_;
};

}  // namespace
}  // namespace ruz::linkcheck

int main() {
    ruz::linkcheck::ModelRoomDriver driver;
    return ruz::linkcheck::runLinkChecks(driver);
}
