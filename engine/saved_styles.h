// Window properties a clip leaves on the player, so that a later run can give back a player
// this one left clipped (killed, crashed). The marker is written last and read first, so a run
// that died between the writes leaves nothing half-kept behind.
#pragma once

inline constexpr const char kSavedMarkProp[] = "Clipveil.Saved";
inline constexpr const char kSavedStyleProp[] = "Clipveil.SavedStyle";
inline constexpr const char kSavedExStyleProp[] = "Clipveil.SavedExStyle";
