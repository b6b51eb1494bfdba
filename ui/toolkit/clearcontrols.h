#pragma once

class QWidget;

// Clears every control of a window by its type, walking the controls in creation order:
// text boxes and editable combo boxes are emptied, cell editors are emptied, detached and
// hidden, and list grids are cut back to their heading row and one empty row (row 1 emptied,
// columns and headings kept, current cell row 1, last column). Labels, buttons, the tab
// control and the toolbar are left alone.
void ClearControls(QWidget* window);
