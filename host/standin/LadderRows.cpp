// Toolkit row operations of lists (QvWin): resetting a row and setting its
// colour. A reset row shows its own text again in column 0 and colour 0.
#include "StandIn.h"
#include "Toolkit.h"

namespace {

standin::ListRow* RowOf(QvControl list, int row) {
    standin::toolkit::Record* r = standin::toolkit::RecordOf(list);
    if (!r || row < 0 || (size_t)row >= r->model.rows.size()) return nullptr;
    return &r->model.rows[(size_t)row];
}

} // namespace

void ListResetRow(QvControl list, int row) {
    if (standin::ListRow* r = RowOf(list, row)) {
        standin::toolkit::RecycleCells(*r);
        r->colour = 0;
    }
}

void ListSetRowColour(QvControl list, int row, int colour) {
    if (standin::ListRow* r = RowOf(list, row)) r->colour = colour;
}
