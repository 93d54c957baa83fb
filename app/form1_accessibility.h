// What a screen reader is told of the main window: each control's name and description, and
// what it hears once a run has written its report.
#pragma once

#include <QString>

class QWidget;

namespace crawlmeter {

// Gives a control of the main window, named as in its layout, its accessible name and
// description.
void describeFormControl(QWidget* control);

QString reportAnnouncement();

}  // namespace crawlmeter
