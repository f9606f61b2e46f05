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

} // namespace testutil
