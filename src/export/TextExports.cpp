#include "export/TextExports.h"

#include <cmath>
#include <cstdlib>

#include "model/KDVlib.h"
#include "model/PalvonVars.h"
#include "model/ZelUtils.h"

namespace TextExports {

using ZelUtils::Format;

namespace {

bool AllDigits(const std::string& s, size_t maxDigits)
{
    if (s.empty() || s.size() > maxDigits)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string CodeOf(const TLineRow& row) { return row.Code.empty() ? std::string(" ") : row.Code.substr(0, 1); }

} // namespace

int32_t TraceId(const TLineRow& row)
{
    return AllDigits(row.Name, 5) ? ZelUtils::ParseInt(row.Name) : row.Order;
}

bool SectionRowsFit(const std::vector<TLineRow>& rows, std::string& error)
{
    for (const TLineRow& row : rows) {
        if (!AllDigits(row.Name, 5) && row.Name.size() > 4) {
            error = Format("La línea \"%s\" no cabe en el formato de líneas: el nombre ha de tener cinco cifras o "
                           "a lo sumo cuatro caracteres.",
                           row.Name);
            return false;
        }
        // The reader takes the frequency from columns 7-10: a wider one would run
        // into the node count, or be read cut.
        if (row.Frequency < -999 || row.Frequency > 9999) {
            error = Format("La línea \"%s\" no cabe en el formato de líneas: su frecuencia (%d) ha de tener a lo sumo "
                           "cuatro cifras.",
                           row.Name, row.Frequency);
            return false;
        }
    }
    return true;
}

std::string LineTraceText(const std::vector<TLineRow>& rows)
{
    std::string s;
    for (const TLineRow& row : rows) {
        std::vector<TPoint> nodes;
        for (int32_t n : row.Nodes) {
            // A node without a position has no place on the trace (its unset
            // coordinates would send the line, point by point, off the map).
            const int32_t i = KDVlib::FindNodo(std::abs(n));
            if (i > 0 && Nodos[i].HasXY)
                nodes.push_back({static_cast<double>(Nodos[i].X), static_cast<double>(Nodos[i].Y)});
        }
        std::vector<TPoint> pts;
        for (size_t k = 0; k + 1 < nodes.size(); ++k) {
            const TPoint& p = nodes[k];
            const TPoint& q = nodes[k + 1];
            const double d = std::hypot(q.x - p.x, q.y - p.y);
            if (d == 0.0) {
                pts.push_back(p);
                continue;
            }
            const int32_t steps = static_cast<int32_t>(std::trunc(d / 30.0));
            for (int32_t j = 0; j <= steps; ++j) {
                const double f = 30.0 * j / d;
                pts.push_back({(1.0 - f) * p.x + f * q.x, (1.0 - f) * p.y + f * q.y});
            }
        }
        if (!nodes.empty())
            pts.push_back(nodes.back());
        s += Format("%1d%5.5d,%5d", row.Group, TraceId(row), static_cast<int32_t>(pts.size()));
        for (const TPoint& p : pts)
            s += Format(",%.2f,%.2f", p.x, p.y);
        s += "\r\n";
    }
    return s;
}

std::string LineSectionText(const std::vector<TLineRow>& rows, bool wideNodes)
{
    const int k = wideNodes ? 6 : 13;
    const int w = wideNodes ? 10 : 5;
    std::string s;
    for (size_t r = 0; r < rows.size(); ++r) {
        const TLineRow& row = rows[r];
        if (r > 0 && row.Group != rows[r - 1].Group)
            s += "99999\r\n66666\r\n";
        const int32_t count = static_cast<int32_t>(row.Nodes.size());
        if (AllDigits(row.Name, 5) && row.Name.size() == 5)
            s += row.Code.empty() || row.Code[0] == ' '
                     ? Format("%5s%5d%5d", row.Name, row.Frequency, count)
                     : Format("%5s%s%4d%5d", row.Name, CodeOf(row), row.Frequency, count);
        else
            s += Format("%4s%s%5d%5d", row.Name, CodeOf(row), row.Frequency, count);
        for (size_t n = 0; n < row.Nodes.size(); ++n) {
            if (n > 0 && n % k == 0)
                s += Format("\r\n%15s", " ");
            s += Format("%*d", w, row.Nodes[n]);
        }
        s += "\r\n";
    }
    return s;
}

} // namespace TextExports
