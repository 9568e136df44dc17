// Toolkit row operations of lists (QvWin): resetting a row and setting its
// colour. A reset row shows its own text again in column 0 and colour 0.
#include "StandIn.h"
#include "Toolkit.h"

namespace {

standin::ListRow* RowOf(QvControl list, int row, standin::Control** model = nullptr) {
    standin::toolkit::Record* r = standin::toolkit::RecordOf(list);
    if (!r || row < 0 || (size_t)row >= r->model.rows.size()) return nullptr;
    if (model) *model = &r->model;
    return &r->model.rows[(size_t)row];
}

} // namespace

void ListResetRow(QvControl list, int row) {
    standin::Control* model = nullptr;
    if (standin::ListRow* r = RowOf(list, row, &model)) {
        standin::toolkit::ResetCells(*model, *r);
        r->colour = 0;
    }
}

void ListSetRowColour(QvControl list, int row, int colour) {
    if (standin::ListRow* r = RowOf(list, row)) r->colour = colour;
}
