// A formula column made the way a user makes one: the grid's pop-up item, the
// fields chosen by their titles, the name and formula typed, confirmed with OK.
#pragma once

#include "analysis/gui/DlgFormula.h"
#include "support/LiveMenus.h"
#include "widgets/DualListDialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <vector>

namespace testutil {

inline bool MakeFormulaColumn(TPalvonViewer* viewer, TDlgFormula& dialog, bool movements,
                              const std::vector<QString>& fields, const QString& name, const QString& formula)
{
    dialog.RunFieldChoice = [fields](TDualListDialog& d) {
        for (const QString& f : fields)
            for (int i = 0; i < d.Count(1); ++i)
                if (d.Text(1, i) == f) {
                    d.Move(1, {i});
                    break;
                }
        return true;
    };
    QTimer::singleShot(0, [&dialog, name, formula] {
        dialog.teVar->setText(name);
        dialog.teForm->setText(formula);
        dialog.btnOk->click();
    });
    return movements ? livemenus::Click(viewer, "popup:pupMovim", "Crearcolumna2")
                     : livemenus::Click(viewer, "popup:pupArcos", "Crearcolumna1");
}

} // namespace testutil
