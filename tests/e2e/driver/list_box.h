#pragma once
// List boxes of the program, including its owner-drawn check lists: their items read back,
// an item selected, and the check box that the program paints in front of an item looked at
// on the screen (a check list keeps its marks to itself, so the picture is all there is).

#include <string>

#include "driver/window.h"

namespace e2e {

// The number of items, or -1 when the list does not answer.
int ListItemCount(const Window& list);
// The text of item index (empty when there is none).
std::string ListItemText(const Window& list, int index);
// Makes index the selected item, as clicking its text would.
void SelectListItem(const Window& list, int index);
// Clicks the check box drawn at the left of item index (posted, so clicks on several items
// are handled in the order given). The item must be scrolled into view.
void ClickItemCheckBox(const Window& list, int index);
// Whether the check box drawn at the left of item index shows a tick: some of the pixels
// inside its frame are dark. The item must be visible on the screen.
bool CheckBoxTicked(const Window& list, int index);

}  // namespace e2e
