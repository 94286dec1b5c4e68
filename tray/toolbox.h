// The toolbox: a topmost bar of six picture buttons docked at a screen edge, run as a
// modal dialog owned by the main window. It stays a dialog of template 104: the program's
// callers find it as a dialog without controls, and its modal loop (which keeps the main
// window's timers and messages running while the owner is disabled) is the dialog box's own.
// Its state outlives each toolbox window.
#pragma once

#include <windows.h>

#include "toolbox_geometry.h"

namespace kvo::tray {

class Quickdock;

class Toolbox {
 public:
  explicit Toolbox(Quickdock& quickdock) : quickdock_(quickdock) {}
  Toolbox(const Toolbox&) = delete;
  Toolbox& operator=(const Toolbox&) = delete;

  // Runs the toolbox modally until it closes; returns at once when the dialog cannot be
  // created, and either way the toolbox can be opened again.
  void Run(HWND owner);
  // Opens the toolbox, or slides the open one into view.
  void Show();
  // Sends the open toolbox a mouse move at (0, 0), which slides a hidden bar into view.
  void Nudge();
  bool open() const { return open_; }

 private:
  // The dialog procedure: binds the dialog to its object at WM_INITDIALOG and unbinds it at
  // WM_DESTROY; nothing raised inside a handler crosses it.
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam,
                                     LPARAM lparam);
  INT_PTR Message(UINT message, WPARAM wparam, LPARAM lparam);

  DockEdge Edge() const;
  void MoveTo(Position at);
  void SlideIn();
  void SlideOut();
  void DestroyTip();
  void CreateTip(int hover);
  void PaintButtons();
  void KeepInPlace();
  void OnInitDialog();
  void OnMouseMove(LPARAM position);
  void OnMouseLeave();
  void OnLeftButtonUp();
  void OnRightButtonUp();
  void OnAutoHideTick();
  void OnEdgeWatchTick();
  void Close();
  void ReopenAtNewEdge();
  void SetCheck(UINT item, bool checked, int text_id);
  void ChooseEdge(DockEdge edge);

  Quickdock& quickdock_;
  HWND window_ = nullptr;
  bool open_ = false;
  Position position_;
  bool slid_in_ = false;
  int hover_ = 0;
  int previous_hover_ = 0;
  bool menu_open_ = false;
  HWND tip_window_ = nullptr;
};

}  // namespace kvo::tray
