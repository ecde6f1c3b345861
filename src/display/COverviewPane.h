#pragma once
// The overview pane: the whole active trace in its entry's colour on white, with the trace
// view's visible window drawn over it as a rectangle in the marker colour. The pane draws the
// window it was last given (SetWorldWindow), so its paint asks nobody; until it is given one
// the rectangle frames the whole trace. A click or a drag in the pane asks for the view to be
// moved there.

#include "display/DrawSurface.h"

#include <QFrame>

#include <optional>
#include <vector>

class CAppSettings;
class CWorkspace;

class COverviewPane : public QFrame {
    Q_OBJECT

public:
    // The workspace and the settings must outlive the pane.
    COverviewPane(CWorkspace& workspace, const CAppSettings& settings, QWidget* parent = nullptr);
    ~COverviewPane() override;

    // Everything the pane shows, on a surface covering the client rectangle.
    void PaintTo(CDrawSurface& surface, const CPixelRect& client);
    // The trace view's visible window, km and dB; repaints.
    void SetWorldWindow(const CWorldRect& window);

Q_SIGNALS:
    // The point of the active trace under a click or drag, km and dB.
    void MoveViewRequested(double distance, double level);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void RequestMoveTo(QPoint at);

    CWorkspace& workspace_;
    const CAppSettings& settings_;
    std::optional<CWorldRect> window_;
    // 2 * (client width + 1) points, sized again when the width changes.
    std::vector<CScreenPoint> pointBuffer_;
};
