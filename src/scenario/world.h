#pragma once

#include "headless/headless_system.h"

#include <QTemporaryDir>

namespace ruz::scenario {

// The headless program with the real engine and its silent output, in a scratch folder that is
// also the working folder.
class World : public HeadlessSystem {
  public:
    World();
    ~World() override;

    bool ready() const { return scratch_.isValid(); }
    // The scratch folder, absolute.
    QString root() const { return scratch_.path(); }
    // A scenario path (relative, "/"-separated) as an absolute path.
    QString absolute(const QString& path) const;
    // An absolute path as scenario text: relative to the scratch folder, "." for the folder.
    QString relative(const QString& path) const;

  private:
    QTemporaryDir scratch_;
    QString previousWorkingFolder_;
};

}  // namespace ruz::scenario
