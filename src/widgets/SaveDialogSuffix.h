#pragma once
// The extension that a save dialog adds to a name typed without one.
class QFileDialog;

// The extension added is that of the filter chosen in the dialog ("datos" under
// "(*.tab)" is saved as "datos.tab"), never the dialog's first one: a file of one
// kind is not written under, nor over, a name of another. A filter that takes any
// name ("(*)", "(*.*)") adds none. Call once the filters are set.
void SuffixFollowsFilter(QFileDialog& dialog);

// The index among the dialog's filters of the one chosen (-1 for none), also when
// the dialog hides the filters' patterns and names the chosen one without them.
int ChosenFilter(const QFileDialog& dialog);
