// What assistive technology is told of the windows: each control's accessible name and
// description, found by the control's object name, and the event that tells a new report.
#pragma once

#include <span>

class QPlainTextEdit;
class QString;
class QWidget;

namespace crawlmeter {

// One control's words for a screen reader, in UTF-8 like the windows' captions.
struct AccessibleText {
  // The control's object name ("Command1", "Option4", ...).
  const char* control;
  // What the control is called; null for a button or label, which is called by its caption.
  const char* name;
  // What the control is for; "%1" in it stands for the caption, so that controls alike (the
  // crawler buttons) share one text.
  const char* description;
};

// Sets the accessible name and description of `control` from the row of `table` that names it.
// False when no row names it, and then nothing is set.
bool describeControl(QWidget& control, std::span<const AccessibleText> table);

// Tells assistive technology that `box`, which held `previous`, now holds a new report: one event
// replacing the whole old text with the whole new one, and, where Qt can announce (6.8 and later),
// `announcement` as well. Qt passes them on only while assistive technology listens.
void announceNewReport(QPlainTextEdit& box, const QString& previous, const QString& announcement);

}  // namespace crawlmeter
