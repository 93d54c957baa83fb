// The controls' accessible names and descriptions, and the report's announcement; Qt 6.4, which
// Debian 12 has, has no announcement event, so there the text's replacement is what is told.
#include "ui/accessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QPlainTextEdit>
#include <QString>
#include <QWidget>
#include <QtGlobal>

namespace crawlmeter {

namespace {

QString captionOf(const QWidget& control) {
  if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) return button->text();
  if (const auto* label = qobject_cast<const QLabel*>(&control)) return label->text();
  return {};
}

}  // namespace

bool describeControl(QWidget& control, std::span<const AccessibleText> table) {
  for (const AccessibleText& row : table) {
    if (control.objectName() != QLatin1String(row.control)) continue;
    const QString caption = captionOf(control);
    control.setAccessibleName(row.name ? QString::fromUtf8(row.name) : caption);
    QString description = QString::fromUtf8(row.description);
    control.setAccessibleDescription(description.replace(QLatin1String("%1"), caption));
    return true;
  }
  return false;
}

void announceNewReport(QPlainTextEdit& box, const QString& previous, const QString& announcement) {
  QAccessibleTextUpdateEvent replaced(&box, 0, previous, box.toPlainText());
  QAccessible::updateAccessibility(&replaced);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
  QAccessibleAnnouncementEvent announced(&box, announcement);
  QAccessible::updateAccessibility(&announced);
#else
  Q_UNUSED(announcement);
#endif
}

}  // namespace crawlmeter
