// The folder each file dialog opens in: the one it last gave a file in, kept for the user
// across starts of the program (QSettings in the platform's usual place for the application).
#pragma once

#include <QString>

namespace crawlmeter {

// The open dialog's logs and the save dialog's exports usually lie apart, so each dialog keeps
// its own folder.
enum class DialogFolder { LogFiles, Export };

// The folder last remembered for dialog while it still exists; the user's home when none was
// remembered or it is gone.
QString startFolder(DialogFolder dialog);

// Remembers the folder that holds chosenPath, a full path the dialog gave, for the next dialog.
void rememberFolderOf(DialogFolder dialog, const QString& chosenPath);

}  // namespace crawlmeter
