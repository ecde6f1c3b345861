#include "display/PlotLegend.h"

#include "core/CSignal.h"
#include "project/CWorkspace.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

QString BaseFileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return QFile::decodeName((slash == std::string::npos ? path : path.substr(slash + 1)).c_str());
}

std::vector<CLegendTrace> VisibleTraces(CWorkspace& workspace, bool oneTrace) {
    std::vector<CLegendTrace> traces;
    const int activeProject = workspace.ActiveProjectIndex();
    const int activeEntry =
        activeProject < 0 ? -1 : workspace.GetProject(activeProject).ActiveEntryIndex();
    const auto take = [&traces](const CSignalEntry& entry) {
        if (const CSignal* signal = entry.GetTrace())
            traces.push_back({BaseFileName(signal->GetFileName()), entry.GetColour()});
    };
    if (!oneTrace) {
        for (int i = 0; i < workspace.GetProjectCount(); ++i) {
            CProject& project = workspace.GetProject(i);
            for (int j = 0; j < project.GetEntryCount(); ++j) {
                if (i != activeProject || j != activeEntry)
                    take(project.GetEntry(j));
            }
        }
    }
    if (activeEntry >= 0)
        take(workspace.GetProject(activeProject).GetEntry(activeEntry));
    return traces;
}

QString ElideMiddle(CDrawSurface& surface, const QString& name, int width) {
    if (surface.MeasureText(name).cx <= width)
        return name;
    const QString ellipsis = QStringLiteral("…");
    // The start and the end of a file name tell traces apart (site, fibre, wavelength).
    for (qsizetype keep = name.size() - 1; keep > 0; --keep) {
        const qsizetype head = (keep + 1) / 2;
        const QString shortened = name.left(head) + ellipsis + name.right(keep - head);
        if (surface.MeasureText(shortened).cx <= width)
            return shortened;
    }
    return ellipsis;
}

CPixelRect DrawLegend(CDrawSurface& surface, const CPixelRect& plot, int labelBand,
                      const std::vector<CLegendEntry>& entries, const CLegendStyle& style) {
    if (entries.empty())
        return {};
    const int rowHeight = surface.MeasureText(QStringLiteral("Ag")).cy;
    const int top = plot.top + labelBand + style.inset;
    const int room = plot.bottom - style.inset - top - 2 * style.padding;
    const int fitting = rowHeight > 0 ? room / rowHeight : 0;
    const int nameRoom = plot.Width() / 3 - 2 * style.padding - style.sampleLength - style.gap;
    if (fitting < 1 || nameRoom <= 0)
        return {};

    // Rows that do not fit give way to one that counts them.
    const int count = static_cast<int>(entries.size());
    const int shown = count <= fitting ? count : fitting - 1;
    std::vector<QString> names;
    int widest = 0;
    for (int i = 0; i < shown; ++i) {
        names.push_back(ElideMiddle(surface, entries[static_cast<std::size_t>(i)].name, nameRoom));
        widest = std::max(widest, surface.MeasureText(names.back()).cx);
    }
    const QString rest = shown < count
                             ? QCoreApplication::translate("Legend", "… ещё %1").arg(count - shown)
                             : QString();
    if (!rest.isEmpty())
        widest = std::max(widest, surface.MeasureText(rest).cx);

    const int rows = shown + (rest.isEmpty() ? 0 : 1);
    const int width = 2 * style.padding + style.sampleLength + style.gap + widest;
    const CPixelRect box{plot.right - style.inset - width, top, plot.right - style.inset,
                         top + 2 * style.padding + rows * rowHeight};
    surface.FillRect(box, style.background);
    const CPen previousPen = surface.SetPen({PenStyle::Solid, style.frameWidth, style.frame});
    // A closed outline inside the box, every pixel once.
    surface.MoveTo(box.left, box.top);
    surface.LineTo(box.right - 1, box.top);
    surface.LineTo(box.right - 1, box.bottom - 1);
    surface.LineTo(box.left, box.bottom - 1);
    surface.LineTo(box.left, box.top);

    const std::uint32_t previousBack = surface.SetTextBackground(style.background);
    const std::uint32_t previousText = surface.SetTextColour(style.frame);
    const int sampleX = box.left + style.padding;
    const int nameX = sampleX + style.sampleLength + style.gap;
    int y = box.top + style.padding;
    for (int i = 0; i < shown; ++i) {
        const CLegendEntry& entry = entries[static_cast<std::size_t>(i)];
        surface.SetPen(entry.pen);
        const int lineY = y + rowHeight / 2 - style.sampleLines / 2;
        for (int line = 0; line < style.sampleLines; ++line) {
            surface.MoveTo(sampleX, lineY + line);
            surface.LineTo(sampleX + style.sampleLength, lineY + line);
        }
        surface.SetTextColour(entry.textColour);
        surface.DrawText(nameX, y, names[static_cast<std::size_t>(i)]);
        y += rowHeight;
    }
    if (!rest.isEmpty()) {
        surface.SetTextColour(style.frame);
        surface.DrawText(nameX, y, rest);
    }
    surface.SetTextColour(previousText);
    surface.SetTextBackground(previousBack);
    surface.SetPen(previousPen);
    return box;
}
