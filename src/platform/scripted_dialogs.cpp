#include "platform/scripted_dialogs.h"

namespace ruz {

ScriptedDialogs::ScriptedDialogs(std::function<void(int)> letTimePass)
    : letTimePass_(std::move(letTimePass)) {}

void ScriptedDialogs::queueYesNo(bool yes, int delayMs) {
    yesNo_.push_back({yes, delayMs});
}

void ScriptedDialogs::queuePrompt(const std::optional<QString>& answer) {
    prompts_.push_back({!answer.has_value(), answer.value_or(QString())});
}

void ScriptedDialogs::queuePick(QString folder) {
    picks_.push_back(std::move(folder));
}

void ScriptedDialogs::markUnanswered(Kind kind, const QString& text) {
    if (!unanswered_) {
        unanswered_ = Shown{kind, text};
    }
}

bool ScriptedDialogs::askYesNo(const QString& text) {
    shown_.push_back({Kind::Question, text});
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

void ScriptedDialogs::notice(const QString& text) {
    shown_.push_back({Kind::Notice, text});
}

std::optional<QString> ScriptedDialogs::prompt(const QString& text, const QString&) {
    shown_.push_back({Kind::Prompt, text});
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

QString ScriptedDialogs::pickFolder(const QString& title, const QString&) {
    shown_.push_back({Kind::Picker, title});
    if (picks_.empty()) {
        markUnanswered(Kind::Picker, title);
        return {};
    }
    QString answer = picks_.front();
    picks_.pop_front();
    return answer;
}

QString ScriptedDialogs::kindName(Kind kind) {
    switch (kind) {
        case Kind::Question:
            return QStringLiteral("question");
        case Kind::Notice:
            return QStringLiteral("notice");
        case Kind::Prompt:
            return QStringLiteral("prompt");
        case Kind::Picker:
            return QStringLiteral("picker");
    }
    return {};
}

}  // namespace ruz
