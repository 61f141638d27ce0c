// What the user is told when a clip cannot be made, or not taken off.
#pragma once

inline constexpr const char kClipFailedText[] = "リージョンの設定に失敗しました";
inline constexpr const char kUnclipFailedText[] = "リージョンの解除に失敗しました";
