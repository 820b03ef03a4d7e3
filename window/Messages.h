// The texts the main window shows, as Shift-JIS bytes. Line breaks are a
// single LF; the quotation marks are the ASCII byte 0x22.
#pragma once

namespace brisel::messages {

inline constexpr const char* kLinkPathSectionMissing =
    "初期化に失敗しました\n\"LinkPath\"セクションが見つかりません";
inline constexpr const char* kGameNotFound = "プログラムメニュー内に対象ソフトが見つかりません\n"
                                             "対象ソフトがインストールされていない可能性があります";
inline constexpr const char* kOutFilesSectionMissing =
    "初期化に失敗しました\n\"OutFiles\"セクションが見つかりません";
inline constexpr const char* kChooseDirectoryPrompt =
    "がインストールされているディレクトリを指定してください";
inline constexpr const char* kPatchSucceeded = "修正処理が正常に終了しました";
inline constexpr const char* kPatchFailed = "修正に失敗しました";
inline constexpr const char* kExitCaption = "終了(&X)";
// Followed by the file's "%OutFiles" entry in quotation marks: the game's
// file is not the version the patch was made for, so nothing was written.
inline constexpr const char* kWrongVersion =
    "修正対象のファイルのバージョンが異なるため修正できません\n";
// After the failure message and the file's entry: other programs hold the
// file; their names follow, one a line.
inline constexpr const char* kCloseProgramsFirst =
    "次のプログラムを終了してから、もう一度修正してください";
// After the failure message: a drive has too little room for the files.
inline constexpr const char* kNotEnoughSpace = "ディスクの空き容量が足りません";
// After the failure message: the installer's own data is damaged.
inline constexpr const char* kInstallerDamaged =
    "インストーラーが壊れています。もう一度ダウンロードしてください";

} // namespace brisel::messages
