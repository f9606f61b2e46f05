#include "map/ViewState.h"

TViewState& UserView()
{
    static TViewState view;
    return view;
}
