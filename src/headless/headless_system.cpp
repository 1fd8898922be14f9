#include "headless/headless_system.h"

#include "text/text.h"

namespace ruz {

HeadlessSystem::HeadlessSystem(const EngineFactory& makeEngine, std::unique_ptr<Dialogs> answering)
    : standin(model, [this] { return text::toUtf8(clock.longTime(clock.now())); }),
      dialogs([this](int ms) { host.advance(ms); }),
      engine(makeEngine(host)),
      answering_(std::move(answering)),
      platform_{host, model, *engine, answering_ ? *answering_ : dialogs, tray, clock} {}

HeadlessSystem::~HeadlessSystem() {
    app_.reset();
}

FrmAmp& HeadlessSystem::create() {
    app_ = std::make_unique<FrmAmp>(platform_);
    return *app_;
}

FrmAmp& HeadlessSystem::start() {
    if (!app_) {
        create();
    }
    app_->Form_Load();
    return *app_;
}

std::vector<std::u16string> HeadlessSystem::sent() const {
    std::vector<std::u16string> lines;
    for (const auto& line : standin.sentByProgram()) {
        lines.push_back(text::fromUtf8(line));
    }
    return lines;
}

}  // namespace ruz
