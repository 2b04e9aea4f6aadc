#pragma once

// The main frame's "&PopupOnlyFavorite" check item. Defined here, below the main frame, since
// the pop-up manager reads that item's state from the frame's menu bar.
enum PopupCommandId { ID_POPUP_ONLY_FAVORITE = 6001 };
