#pragma once

#include "common/glyphs.h"

#include "app/frmamp.h"

#include <QMainWindow>
#include <QPointer>
#include <QStyle>
#include <QTimer>

class QCheckBox;
class QFileSystemModel;
class QToolButton;
class QTreeView;

namespace ruz::ui {

// The main window's skin: every widget shows one of FrmAmp's controls, bound to it by reference,
// and hands the user's clicks, drags and keys to that control. The widgets themselves decide
// nothing.
class FrmAmpView final : public QMainWindow {
  public:
    explicit FrmAmpView(FrmAmp& amp);
    // The view of the command-words window, which the menu brings to the front when it is open.
    void setCcomsView(QWidget* view) { ccomsView_ = view; }
    // Brings the window to the front when it is shown but minimised or behind another window of
    // the program; false, doing nothing, when it is hidden or in front already.
    bool comeForward();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QWidget* buildDisplay();
    QWidget* buildTransport();
    QWidget* buildFolders();
    QWidget* buildOptions();
    QWidget* buildStatus();
    void buildMenus();
    QToolButton* pictureButton(Picture& picture, Glyph glyph);
    QCheckBox* optionBox(CheckBox& box, const QString& caption);
    void followFolder(QTreeView& tree, QFileSystemModel& model);
    // Shows the window control's caption, visibility and state; changes that come together are
    // shown together, on the next turn of the event loop.
    void syncWindow();

    FrmAmp& amp_;
    QTimer windowSync_;
    // The main window's requests to come to the front that have been answered.
    int frontRequestsSeen_ = 0;
    QPointer<QWidget> ccomsView_;
};

}  // namespace ruz::ui
