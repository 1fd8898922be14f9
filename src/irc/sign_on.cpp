#include "irc/sign_on.h"

#include "irc/command_line.h"
#include "text/text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace ruz::irc {

namespace {
constexpr unsigned kMaxPort = 0xFFFF;
constexpr std::array<std::string_view, 2> kTrueValues = {"1", "true"};
constexpr char16_t kJoinTitle[] = u"Join a chat room";
constexpr char16_t kJoinQuestion[] = u"Channel to join (for example #music):";
constexpr char16_t kNotAChannel[] = u"Not a channel name: ";
}  // namespace

std::optional<Settings> resumedSignOn(
    const std::function<std::string(std::string_view field)>& kept) {
    if (kept(kSignedOnField) != kSignedOn) {
        return std::nullopt;
    }
    Settings settings;
    settings.endpoint.host = kept(kServerField);
    const std::string tls = kept(kTlsField);
    settings.endpoint.tls =
        std::find(kTrueValues.begin(), kTrueValues.end(), tls) != kTrueValues.end();
    const std::optional<unsigned> port = text::readUInt(text::fromUtf8(kept(kPortField)));
    settings.endpoint.port = port && *port > 0 && *port <= kMaxPort
                                 ? static_cast<std::uint16_t>(*port)
                                 : (settings.endpoint.tls ? kTlsPort : kPlainPort);
    settings.nick = kept(kNickField);
    settings.channels = channelList(kept(kChannelsField));
    if (!signOnProblem(settings).empty()) {
        return std::nullopt;
    }
    return settings;
}

void askToJoin(Rooms& rooms, Dialogs& dialogs) {
    const std::optional<std::u16string> typed = dialogs.prompt(kJoinQuestion, kJoinTitle);
    if (!typed) {
        return;
    }
    const std::vector<std::string> channels = channelList(text::toUtf8(*typed));
    if (channels.empty() || std::find(channels.begin(), channels.end(), "") != channels.end()) {
        dialogs.notice(kNotAChannel + *typed);
        return;
    }
    for (const std::string& channel : channels) {
        rooms.join(channel);
    }
}

}  // namespace ruz::irc
