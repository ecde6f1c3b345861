#pragma once
// A side pane of the main frame: a dock widget with its title, its bar identifier (which also
// names it in the saved layout) and the size it takes in the default layout.

#include <QDockWidget>
#include <QSize>

class CDockPane : public QDockWidget {
    Q_OBJECT

public:
    CDockPane(int id, const QString& title, QSize defaultSize, QWidget* parent = nullptr);

    // "bar" and the identifier, as the saved layout names the pane.
    static QString ObjectNameFor(int id);
    int Id() const { return id_; }
    QSize DefaultSize() const { return defaultSize_; }

private:
    int id_;
    QSize defaultSize_;
};
