#include "platform/scripted_dialogs.h"

#include <utility>

namespace ruz {

ScriptedDialogs::ScriptedDialogs(std::function<void(int)> letTimePass)
    : letTimePass_(std::move(letTimePass)) {}

void ScriptedDialogs::queueYesNo(bool yes, int delayMs) {
    yesNo_.push_back({yes, delayMs});
}

void ScriptedDialogs::queuePrompt(const std::optional<std::u16string>& answer) {
    prompts_.push_back({!answer.has_value(), answer.value_or(std::u16string())});
}

void ScriptedDialogs::queuePick(std::u16string folder) {
    picks_.push_back(std::move(folder));
}

void ScriptedDialogs::markUnanswered(Kind kind, std::u16string_view text) {
    if (!unanswered_) {
        unanswered_ = Shown{kind, std::u16string(text)};
    }
}

bool ScriptedDialogs::askYesNo(std::u16string_view text) {
    shown_.push_back({Kind::Question, std::u16string(text)});
    if (yesNo_.empty()) {
        markUnanswered(Kind::Question, text);
        return false;
    }
    const YesNo answer = yesNo_.front();
    yesNo_.pop_front();
    if (answer.delayMs > 0 && letTimePass_) {
        letTimePass_(answer.delayMs);
    }
    return answer.yes;
}

Dialogs::NoticeId ScriptedDialogs::notice(std::u16string_view text) {
    shown_.push_back({Kind::Notice, std::u16string(text)});
    open_.push_back({++lastNotice_, std::u16string(text)});
    return lastNotice_;
}

void ScriptedDialogs::closeNotice(NoticeId id) {
    std::erase_if(open_, [id](const OpenNotice& notice) { return notice.id == id; });
}

std::vector<std::u16string> ScriptedDialogs::openNotices() const {
    std::vector<std::u16string> texts;
    for (const OpenNotice& notice : open_) {
        texts.push_back(notice.text);
    }
    return texts;
}

bool ScriptedDialogs::closeOldestNotice() {
    if (open_.empty()) {
        return false;
    }
    open_.erase(open_.begin());
    return true;
}

std::optional<std::u16string> ScriptedDialogs::prompt(std::u16string_view text,
                                                      std::u16string_view) {
    shown_.push_back({Kind::Prompt, std::u16string(text)});
    if (prompts_.empty()) {
        markUnanswered(Kind::Prompt, text);
        return std::nullopt;
    }
    const PromptAnswer answer = prompts_.front();
    prompts_.pop_front();
    if (answer.cancelled) {
        return std::nullopt;
    }
    return answer.text;
}

std::u16string ScriptedDialogs::pickFolder(std::u16string_view title, std::u16string_view) {
    shown_.push_back({Kind::Picker, std::u16string(title)});
    if (picks_.empty()) {
        markUnanswered(Kind::Picker, title);
        return {};
    }
    std::u16string answer = picks_.front();
    picks_.pop_front();
    return answer;
}

std::u16string ScriptedDialogs::kindName(Kind kind) {
    switch (kind) {
        case Kind::Question:
            return u"question";
        case Kind::Notice:
            return u"notice";
        case Kind::Prompt:
            return u"prompt";
        case Kind::Picker:
            return u"picker";
    }
    return {};
}

}  // namespace ruz
