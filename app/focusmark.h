#pragma once

class QWidget;

// A frame drawn around the button or grid that has the focus, whatever the style draws, so
// that moving the focus with Enter or Tab is seen. Installed once for the application.
void ShowFocusMarks();

// The frame now shown, or null: for tests.
QWidget* FocusMark();
