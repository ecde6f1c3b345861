// The trace view of the bundled demo trace, pixel for pixel against a reference image made
// by this program. LUMETRA_UPDATE_REFERENCE=1 writes the reference anew after an intended
// change of the picture; look at it before committing it.

#include "TraceTestSupport.h"
#include "display/CQtSurface.h"

#include <QDir>
#include <QImage>

#include <cstdlib>

namespace {

class TraceViewImageTest : public TraceFixture {};

TEST_F(TraceViewImageTest, DemoTraceMatchesTheReferenceImage) {
    const std::filesystem::path root = SourceRoot();
    ASSERT_TRUE(workspace.OpenTrace((root / "resources" / "demo.sor").string()));
    // A face every test machine has, rather than whatever stands in for the default.
    LogFont font = settings.GetFont(CAppSettings::FontSlot::Plot);
    font.faceName = "DejaVu Sans";
    settings.SetFont(CAppSettings::FontSlot::Plot, font);
    plot.RecalcRange();
    plot.markerA = 12.0f;
    plot.markerB = 14.5f;
    workspace.ActiveEntry()->GetTrace()->SetSelectedEvent(2);

    QImage image(560, 360, QImage::Format_RGB32);
    {
        CQtSurface surface(image);
        plot.PaintTo(surface, {0, 0, image.width(), image.height()});
    }
    const QString reference =
        QString::fromStdString((root / "tests" / "data" / "trace_view_demo.png").string());
    if (std::getenv("LUMETRA_UPDATE_REFERENCE")) {
        ASSERT_TRUE(image.save(reference));
        GTEST_SKIP() << "reference written to " << reference.toStdString();
    }
    const QImage expected = QImage(reference).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(expected.isNull()) << reference.toStdString();
    ASSERT_EQ(expected.size(), image.size());
    int differing = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            differing += image.pixel(x, y) != expected.pixel(x, y);
    }
    if (differing > 0) {
        const QString actual = QDir::temp().filePath(QStringLiteral("trace_view_demo.actual.png"));
        image.save(actual);
        ADD_FAILURE() << differing << " pixels differ; this run drew " << actual.toStdString();
    }
}

} // namespace
