// A formula column made the way a user makes one: the grid's pop-up item, the
// fields chosen by their titles, the name and formula typed, confirmed with OK.
#pragma once

#include "analysis/gui/DlgFormula.h"
#include "support/LiveMenus.h"
#include "model/ZelUtils.h"
#include "widgets/DualListDialog.h"
#include "widgets/StringAlignGrid.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <string>
#include <vector>

namespace testutil {

// The fields the dialog's field choice takes, by their titles, in this order
// (none: the choice is cancelled).
inline void ChooseFormulaFields(TDlgFormula& dialog, const std::vector<QString>& fields)
{
    dialog.RunFieldChoice = [fields](TDualListDialog& d) {
        if (fields.empty())
            return false;
        for (const QString& f : fields)
            for (int i = 0; i < d.Count(1); ++i)
                if (d.Text(1, i) == f) {
                    d.Move(1, {i});
                    break;
                }
        return true;
    };
}

inline bool MakeFormulaColumn(TPalvonViewer* viewer, TDlgFormula& dialog, bool movements,
                              const std::vector<QString>& fields, const QString& name, const QString& formula)
{
    ChooseFormulaFields(dialog, fields);
    if (!fields.empty())
        QTimer::singleShot(0, [&dialog, name, formula] {
            dialog.teVar->setText(name);
            dialog.teForm->setText(formula);
            dialog.btnOk->click();
        });
    return movements ? livemenus::Click(viewer, "popup:pupMovim", "Crearcolumna2")
                     : livemenus::Click(viewer, "popup:pupArcos", "Crearcolumna1");
}

// "" when the grid has one column titled `name` whose every row holds twice the
// value of the column titled `of`; else what is wrong.
inline std::string FormulaColumnCheck(TStringAlignGrid* grid, const std::string& name, const std::string& of)
{
    std::vector<int> cols, source;
    for (int c = 0; c < grid->ColCount(); ++c) {
        if (grid->cell(c, 0) == name)
            cols.push_back(c);
        if (grid->cell(c, 0) == of)
            source.push_back(c);
    }
    if (cols.size() != 1 || source.size() != 1)
        return std::to_string(cols.size()) + " columnas " + name;
    for (int r = 1; r < grid->RowCount(); ++r) {
        const double v = ZelUtils::ParseReal(ZelUtils::Trim(grid->cell(cols[0], r)));
        const double x = ZelUtils::ParseReal(ZelUtils::Trim(grid->cell(source[0], r)));
        if (std::abs(v - 2 * x) > 0.015 + 1e-6 * std::abs(v))
            return "fila " + std::to_string(r) + ": " + grid->cell(cols[0], r) + " / " + grid->cell(source[0], r);
    }
    return "";
}

} // namespace testutil
