#pragma once
// A list of text rows in two columns, caption and value: the parameters pane and the markers
// pane of the main frame.

#include <QTreeWidget>

#include <optional>

class CTextListPane : public QTreeWidget {
    Q_OBJECT

public:
    explicit CTextListPane(const QString& name, QWidget* parent = nullptr);

    struct CRow {
        QString caption;
        QString value;
        QString tip;
    };

    // The value's tooltip is tip, or the value itself when tip is empty.
    void AddRow(const QString& caption, const QString& value, const QString& tip = {});
    // As many AddRow calls, the columns fitted once: each fit measures every row.
    void AddRows(const QList<CRow>& rows);
    // Sets the value of an existing row; nothing for a row that is not there.
    void SetValue(int row, const QString& value, const QString& tip = {});
    int RowCount() const { return topLevelItemCount(); }
    QString Caption(int row) const;
    QString Value(int row) const;
    // The width the pane needs to show these rows whole, with room for a vertical scroll
    // bar, at its font and style.
    int WidthToShow(const QList<QStringList>& rows);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Long captions would push the values out of a narrow pane: captions wider than three
    // fifths of the pane give way, down to two fifths, so the values stay readable.
    void FitColumns();

    // What the last fit measured, and on what: the frame refills a pane with the same rows
    // whenever the selection is told, and measuring the rows shapes every text again.
    struct CMeasured {
        QStringList texts;
        QFont font;
        QSize viewport;
        int scrolled = 0;
        const QStyle* style = nullptr;
        int captions = 0;
        int values = 0;
    };
    std::optional<CMeasured> measured_;
};
