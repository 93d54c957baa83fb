// The dialogs' folders in the user's settings, one key per dialog.
#include "ui/dialog_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace crawlmeter {
namespace {

struct FolderKey {
  DialogFolder dialog;
  const char* key;
};

constexpr FolderKey kFolderKeys[] = {
    {DialogFolder::LogFiles, "folders/logFiles"},
    {DialogFolder::Export, "folders/export"},
};

QString keyOf(DialogFolder dialog) {
  for (const FolderKey& row : kFolderKeys) {
    if (row.dialog == dialog) return QString::fromLatin1(row.key);
  }
  return {};
}

// Only the user's own file: a system-wide file must not choose where the user's dialogs open.
void userSettingsOnly(QSettings& settings) { settings.setFallbacksEnabled(false); }

}  // namespace

QString startFolder(DialogFolder dialog) {
  QSettings settings;
  userSettingsOnly(settings);
  const QString folder = settings.value(keyOf(dialog)).toString();
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void rememberFolderOf(DialogFolder dialog, const QString& chosenPath) {
  QSettings settings;
  userSettingsOnly(settings);
  settings.setValue(keyOf(dialog), QFileInfo(chosenPath).absolutePath());
}

}  // namespace crawlmeter
