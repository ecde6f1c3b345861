#include "app/CDockPane.h"

CDockPane::CDockPane(int id, const QString& title, QSize defaultSize, QWidget* parent)
    : QDockWidget(title, parent), id_(id), defaultSize_(defaultSize) {
    setObjectName(ObjectNameFor(id));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
}

QString CDockPane::ObjectNameFor(int id) {
    return QStringLiteral("bar%1").arg(id);
}
