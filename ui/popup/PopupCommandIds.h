#pragma once

// The main frame's commands that concern the pop-ups: its "&PopupOnlyFavorite" check item, whose
// state the pop-up manager reads from the frame's menu bar, and "P&ause pop-ups" and
// "&Recent...", which the tray menu offers too. Defined here, below the main frame.
enum PopupCommandId { ID_POPUP_ONLY_FAVORITE = 6001, ID_PAUSE_POPUPS = 6003, ID_RECENT = 6004 };
