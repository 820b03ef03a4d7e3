#include "Messages.h"

#include "common/Cp932.h"

#include <algorithm>
#include <stdexcept>

namespace brisel::tools {

namespace {

// Script texts longer than this many characters are cut in messages.
constexpr std::size_t kLongestShown = 80;

struct Text {
    MessageId id;
    Severity severity;
    const char* english;
    const char* japanese;
};

constexpr Severity E = Severity::Error;
constexpr Severity W = Severity::Warning;
constexpr Severity N = Severity::Note;

// Texts are UTF-8 (u8 literals: the tools' narrow literals are compiled to
// code page 932).
const Text kTexts[] = {
    {MessageId::ScriptMissing, E, u8"the patch script is missing",
     u8"パッチスクリプトがありません"},
    {MessageId::PackageFileNotFile, E, u8"not a file", u8"ファイルではありません"},
    {MessageId::PackageFileOutside, E,
     u8"a link that leads outside the package folder; patchpack reads nothing outside it",
     u8"パッケージフォルダーの外を指すリンクです。patchpack はフォルダーの外のものを読みません"},
    {MessageId::BackgroundMissing, E,
     u8"the background picture is missing (an empty file means no picture)",
     u8"背景画像がありません（画像なしにするには空のファイルを置いてください）"},
    {MessageId::BackgroundNotBitmap, E,
     u8"neither an empty file nor a Windows bitmap that the installer can show",
     u8"空のファイルでも、インストーラーが表示できる Windows ビットマップでもありません"},
    {MessageId::BackgroundTruncated, E,
     u8"the bitmap ends before its header or its pixels are complete",
     u8"ビットマップがヘッダーまたは画素データの途中で終わっています"},
    {MessageId::BackgroundLarger, W,
     u8"the picture is {1} × {2} pixels, not 600 × 300: the window shows only its top-left "
     u8"600 × 300 part",
     u8"画像が {1} × {2} ピクセルで、600 × 300 ではありません。ウィンドウには左上の 600 × 300 "
     u8"の部分だけが表示されます"},
    {MessageId::BackgroundSmaller, W,
     u8"the picture is {1} × {2} pixels, not 600 × 300: the window shows the button-face colour "
     u8"around it",
     u8"画像が {1} × {2} ピクセルで、600 × 300 ではありません。ウィンドウの残りの部分はボタン面の"
     u8"色になります"},
    {MessageId::BackgroundMixed, W,
     u8"the picture is {1} × {2} pixels, not 600 × 300: the window cuts it off on one side and "
     u8"shows the button-face colour on the other",
     u8"画像が {1} × {2} ピクセルで、600 × 300 ではありません。はみ出した部分は表示されず、足りない"
     u8"部分はボタン面の色になります"},
    {MessageId::BackgroundTwice, E,
     u8"\"{1}\" is here as well, and the installer shows one picture: keep only one of them",
     u8"「{1}」もあります。インストーラーが表示する画像は 1 つなので、どちらか 1 "
     u8"つだけにしてください"},
    {MessageId::BackgroundWrongFormat, E,
     u8"this is a {1} picture, not what its name says: rename it to \"{2}\"",
     u8"中身は {1} 形式の画像で、名前と合っていません。「{2}」に名前を変えてください"},
    {MessageId::BackgroundGif, E,
     u8"this is a GIF picture, which patchpack does not read: save it as PNG (background.png) "
     u8"or as a 24-bit bitmap (background.bmp)",
     u8"中身は GIF 形式の画像で、patchpack は読めません。PNG（background.png）か 24 ビットの"
     u8"ビットマップ（background.bmp）で保存し直してください"},
    {MessageId::BackgroundUndecodable, E,
     u8"not a {1} picture that patchpack can read: save it again as PNG or as a 24-bit bitmap "
     u8"(background.bmp)",
     u8"patchpack が読める {1} 形式の画像ではありません。PNG か 24 ビットのビットマップ"
     u8"（background.bmp）で保存し直してください"},
    {MessageId::BackgroundConverted, N,
     u8"a {1} picture of {2} × {3} pixels: the installer carries it converted to a 24-bit "
     u8"Windows bitmap",
     u8"{2} × {3} ピクセルの {1} 画像です。インストーラーには 24 ビットの Windows ビットマップに"
     u8"変換して入れます"},
    {MessageId::BackgroundConvertedTranslucent, N,
     u8"a {1} picture of {2} × {3} pixels with transparent parts: the installer carries it "
     u8"converted to a 24-bit Windows bitmap, laid on the window's grey (240, 240, 240)",
     u8"透明な部分のある {2} × {3} ピクセルの {1} 画像です。インストーラーには、ウィンドウの灰色"
     u8"（240, 240, 240）に重ねた 24 ビットの Windows ビットマップに変換して入れます"},
    {MessageId::PackageFileMisnamed, E, u8"not found, but \"{1}\" is here: rename it to \"{2}\"",
     u8"見つかりません。「{1}」があるので、名前を「{2}」に変えてください"},
    {MessageId::PackageFileDoubledExtension, E,
     u8"not found, but \"{1}\" is here, its name ending in \"{3}\" twice (Explorer hides the "
     u8"last one when it hides known extensions): rename it to \"{2}\"",
     u8"見つかりません。「{1}」があり、名前の最後に「{3}」が二重に付いています（エクスプローラーが"
     u8"拡張子を表示しない設定だと、最後の 1 つは見えません）。名前を「{2}」に変えてください"},

    {MessageId::ScriptConverted, N,
     u8"the script is {1}; the installer carries it converted to Shift-JIS (code page 932)",
     u8"スクリプトは {1} です。インストーラーには Shift-JIS（コードページ 932）に変換して"
     u8"入れます"},
    {MessageId::ScriptUnconvertible, E,
     u8"character {2} of this line, {1}, has no Shift-JIS (code page 932) form, so the installer "
     u8"cannot show it; replace it with a character that Shift-JIS has",
     u8"この行の {2} 文字目の {1} は Shift-JIS（コードページ 932）にない文字で、インストーラーでは"
     u8"表示できません。Shift-JIS にある文字に置き換えてください"},
    {MessageId::ScriptMalformed, E,
     u8"this line has bytes that are not {1} text, though the script starts with a {1} "
     u8"byte-order mark; save the script as {1} again",
     u8"スクリプトは {1} の BOM で始まっていますが、この行には {1} の文字として正しくない"
     u8"バイトがあります。{1} で保存し直してください"},
    {MessageId::ScriptUtf16, E,
     u8"the script is saved as UTF-16 (\"Unicode\") without a byte-order mark, which patchpack "
     u8"cannot read, not even with --force; save it again as UTF-8 with a byte-order mark (in "
     u8"Notepad: Save As, encoding \"UTF-8 with BOM\"), as UTF-16 with a byte-order mark, or as "
     u8"Shift-JIS (code page 932)",
     u8"スクリプトが BOM なしの UTF-16（Unicode）で保存されていて、patchpack は --force を付けても"
     u8"読めません。BOM 付きの UTF-8（メモ帳では「名前を付けて保存」でエンコードを「UTF-8 (BOM "
     u8"付き)」）、BOM 付きの UTF-16、または Shift-JIS（コードページ 932）で保存し直してください"},
    {MessageId::ScriptNotText, E,
     u8"the script is no text file (many of its first bytes are control characters), which "
     u8"patchpack cannot read, not even with --force; write the patch script in a text editor and "
     u8"save it as script.txt (in Notepad: Save As, encoding \"UTF-8 with BOM\")",
     u8"スクリプトがテキストファイルではなく（最初の部分に制御文字が多くあります）、patchpack は "
     u8"--force を付けても読めません。テキストエディターで書いて script.txt として保存してください"
     u8"（メモ帳では「名前を付けて保存」でエンコードを「UTF-8 (BOM 付き)」）"},
    {MessageId::ScriptAlsoUtf8, W,
     u8"this line reads as Shift-JIS (\"{1}\") and as UTF-8 (\"{2}\") alike; patchpack takes "
     u8"the script as Shift-JIS, so the installer shows \"{1}\"; if it is UTF-8, save it as "
     u8"UTF-8 with a byte-order mark",
     u8"この行は Shift-JIS（「{1}」）としても UTF-8（「{2}」）としても読めます。patchpack は"
     u8"スクリプトを Shift-JIS とみなすので、インストーラーには「{1}」と表示されます。UTF-8 で"
     u8"書いた場合は BOM 付きの UTF-8 で保存してください"},
    {MessageId::ScriptNotShiftJis, W,
     u8"this line has bytes that are not Shift-JIS text: the installer shows other characters for "
     u8"them",
     u8"この行には Shift-JIS "
     u8"の文字として正しくないバイトがあります。インストーラーでは別の文字として"
     u8"表示されます"},
    {MessageId::ScriptNul, E,
     u8"a NUL byte: the installer stops reading the script here and ignores everything after it",
     u8"NUL "
     u8"バイトがあります。インストーラーはここでスクリプトの読み込みをやめ、以降をすべて無視しま"
     u8"す"},
    {MessageId::ScriptDoubledLineEnd, W,
     u8"this line ends with LF CR or CR CR LF, which the installer reads as two line ends: an "
     u8"empty line follows every such line and can part values from their keys; save the script "
     u8"with CR LF line ends",
     u8"この行の改行は LF CR または CR CR LF で、インストーラーは改行 2 つとして読みます。"
     u8"このような行のあとには空行が入り、値がキーから離れることがあります。改行を CR LF "
     u8"にして保存し直してください"},

    {MessageId::LinkPathAbsent, E,
     u8"the script has no \"%LinkPath\" section: the installer stops at start-up with \"section "
     u8"not found\"",
     u8"「%LinkPath」セクションがありません。インストーラーは起動時に「セクションが見つかりません」"
     u8"と表示して止まります"},
    {MessageId::LinkPathEmpty, E,
     u8"\"%LinkPath\" has no entries: the installer never finds the game",
     u8"「%LinkPath」に項目がありません。インストーラーはゲームを見つけられません"},
    {MessageId::LinkPathBlank, E,
     u8"a blank \"%LinkPath\" line: when no shortcut above it is found, the installer stops here "
     u8"with an error",
     u8"「%LinkPath」の空行です。これより上のショートカットが見つからないと、インストーラーはここで"
     u8"エラーになります"},
    {MessageId::OutFilesAbsent, E,
     u8"\"*PatchType\" counts as 1 (write the payload files) but the script has no \"%OutFiles\" "
     u8"section: the player gets \"section not found\" and, after Start, a success message with "
     u8"nothing written",
     u8"「*PatchType」は 1（ファイルを書き込む）ですが、「%OutFiles」セクションがありません。プレイ"
     u8"ヤーには「セクションが見つかりません」と表示され、開始すると何も書き込まずに成功と表示され"
     u8"ます"},
    {MessageId::OutFilesEmpty, W,
     u8"\"%OutFiles\" has no entries: Start writes nothing and reports success",
     u8"「%OutFiles」に項目がありません。開始しても何も書き込まずに成功と表示されます"},
    {MessageId::PatchTypeAbsent, W,
     u8"the script has no \"*PatchType\": it counts as 0, and Start does nothing",
     u8"「*PatchType」がありません。0 とみなされ、開始ボタンを押しても何もしません"},
    {MessageId::PatchTypeOther, W,
     u8"\"*PatchType\" is {1}: only 0 and 1 do something; with this value Start does nothing",
     u8"「*PatchType」が {1} です。意味があるのは 0 と 1 だけで、この値では開始ボタンを押しても何も"
     u8"しません"},
    {MessageId::PatchTypeNotNumber, W,
     u8"\"*PatchType\" value \"{1}\" is not a number: it counts as 1, and Start writes the payload "
     u8"files",
     u8"「*PatchType」の値「{1}」は数ではありません。1 とみなされ、開始ボタンでファイルを書き込み"
     u8"ます"},
    {MessageId::CheckTargetAbsent, W,
     u8"the script has no \"*CheckTargetFilename\": any folder the player chooses enables Start",
     u8"「*"
     u8"CheckTargetFilename」がありません。プレイヤーが選んだどのフォルダーでも開始ボタンが有効に"
     u8"なります"},
    {MessageId::CheckTargetEmpty, W,
     u8"\"*CheckTargetFilename\" is empty: any folder the player chooses enables Start",
     u8"「*CheckTargetFilename」が空です。プレイヤーが選んだどのフォルダーでも開始ボタンが有効に"
     u8"なります"},
    {MessageId::KeySpaces, W,
     u8"\"{1}\" is not read as the key \"{2}\": remove the spaces or tabs around it",
     u8"「{1}」は前後に空白やタブがあるため「{2}」として読まれません。空白を取り除いてください"},
    {MessageId::KeyNearMiss, W, u8"\"{1}\" is not a key the installer reads; did you mean \"{2}\"?",
     u8"「{1}」はインストーラーが読むキーではありません。「{2}」の誤りではありませんか"},
    {MessageId::SectionRunsOver, W,
     u8"\"{1}\" has no \"%%\" before line {2} (\"{3}\"): that line and the lines after it become "
     u8"its entries",
     u8"「{1}」の後、{2} "
     u8"行目（「{3}」）より前に「%%」がありません。その行以降も項目として読まれます"},
    {MessageId::DuplicateKey, W,
     u8"\"{1}\" again: the installer reads only the first one, on line {2}",
     u8"「{1}」が重複しています。インストーラーが読むのは {2} 行目の最初のものだけです"},

    {MessageId::EntryAbsolute, E,
     u8"entry \"{1}\" is an absolute path: the installer would write outside the game folder",
     u8"項目「{1}」は絶対パスです。インストーラーがゲームフォルダーの外に書き込んでしまいます"},
    {MessageId::EntryParentStep, E,
     u8"entry \"{1}\" contains \"..\": the installer would write outside the game folder",
     u8"項目「{1}」に「..」が含まれています。インストーラーがゲームフォルダーの外に書き込んで"
     u8"しまいます"},
    {MessageId::EntryColon, E,
     u8"entry \"{1}\" contains \":\": Windows takes it for a drive or a stream, not a file in the "
     u8"game folder",
     u8"項目「{1}」に「:」が含まれています。Windows はこれをゲームフォルダーのファイルではなく、"
     u8"ドライブやストリームとみなします"},
    {MessageId::EntryTrailingDotOrSpace, E,
     u8"entry \"{1}\" has a name that ends in a space or a dot: Windows drops it and writes "
     u8"another file",
     u8"項目「{1}」に空白またはピリオドで終わる名前があります。Windows はそれを取り除くため、別の"
     u8"ファイルに書き込まれます"},
    {MessageId::EntryForbiddenCharacter, E,
     u8"entry \"{1}\" contains a character that Windows does not allow in file names (< > \" | ? * "
     u8"or a control character)",
     u8"項目「{1}」に Windows のファイル名に使えない文字（< > \" | ? * または制御文字）が含まれて"
     u8"います"},
    {MessageId::EntryDeviceName, E,
     u8"entry \"{1}\" names the Windows device {2}: no file would be written",
     u8"項目「{1}」は Windows のデバイス {2} を指します。ファイルは書き込まれません"},
    {MessageId::EntryNamesFolder, E,
     u8"entry \"{1}\" ends in a separator: it names a folder, not a file",
     u8"項目「{1}」は区切り文字で終わっていて、ファイルではなくフォルダーを指します"},
    {MessageId::EntryTooLong, E,
     u8"entry \"{1}\" is too long: even in a game folder as short as \"C:\\\" the installer's path "
     u8"to it exceeds 259 characters",
     u8"項目「{1}」が長すぎます。ゲームフォルダーが「C:\\」のように短くても、書き込むパスが 259 "
     u8"文字を超えます"},
    {MessageId::DuplicateEntry, W,
     u8"entry \"{1}\" names the same file as line {2}: the later one overwrites it",
     u8"項目「{1}」は {2} 行目と同じファイルを指します。後のものが上書きします"},
    {MessageId::SubFolder, W,
     u8"entry \"{1}\" is in the folder \"{2}\": the installer creates no folders, so it must "
     u8"already exist in the player's game folder",
     u8"項目「{1}」はフォルダー「{2}」の中にあります。インストーラーはフォルダーを作らないので、"
     u8"プレイヤーのゲームフォルダーにすでにある必要があります"},

    {MessageId::PayloadMissing, E,
     u8"the payload of the \"%OutFiles\" entry on line {1} is missing",
     u8"{1} 行目の「%OutFiles」項目のファイルがありません"},
    {MessageId::PayloadMissingCase, E,
     u8"the payload of the \"%OutFiles\" entry on line {1} is missing; \"{2}\" differs only in "
     u8"letter case",
     u8"{1} 行目の「%OutFiles」項目のファイルがありません。大文字と小文字だけが違う「{2}」があり"
     u8"ます"},
    {MessageId::PayloadFolder, E, u8"a folder, not the payload file of the entry on line {1}",
     u8"{1} 行目の項目のファイルではなく、フォルダーです"},
    {MessageId::PayloadNotFile, E, u8"not a regular file (the entry on line {1})",
     u8"通常のファイルではありません（{1} 行目の項目）"},
    {MessageId::PayloadOutside, E,
     u8"the entry on line {1} leads outside files/ through a link: patchpack reads no payload "
     u8"from outside files/",
     u8"{1} 行目の項目はリンクを通して files/ の外を指しています。patchpack は files/ の外から"
     u8"ファイルを読みません"},
    {MessageId::PayloadNameTooLong, E,
     u8"the name is too long for this system's files (the entry on line {1})",
     u8"名前がこのシステムのファイル名としては長すぎます（{1} 行目の項目）"},
    {MessageId::UnusedFile, W, u8"no \"%OutFiles\" entry uses this file",
     u8"どの「%OutFiles」項目もこのファイルを使っていません"},
    {MessageId::PayloadFolderMissing, E,
     u8"no such folder: make a folder named \"files\" beside script.txt and put the payloads in "
     u8"it ({1})",
     u8"フォルダーがありません。script.txt と同じ場所に「files」フォルダーを作り、書き込むファイル"
     u8"（{1}）を入れてください"},
    {MessageId::PayloadsAtTopLevel, E,
     u8"no such folder, but the payloads ({1}) lie beside script.txt: make a folder named "
     u8"\"files\" and move them into it",
     u8"フォルダーがありません。書き込むファイル（{1}）が script.txt と同じ場所にあります。"
     u8"「files」フォルダーを作って、その中に移してください"},

    {MessageId::PreviousPackageLayout, N,
     u8"laid out as a package (it has a files/ folder): patchpack reads the previous versions "
     u8"from its files/",
     u8"パッケージと同じ構成です（files/ フォルダーがあります）。修正前のファイルはその files/ "
     u8"から読みます"},
    {MessageId::PreviousIsNewVersion, E,
     u8"every payload found here ({1}) equals the new one in files/: this folder holds the new "
     u8"version; put the game's files as they were before this patch here",
     u8"ここにあるファイル（{1} 個）がすべて files/ の新しいものと同じです。このフォルダーには"
     u8"新しいバージョンが入っています。パッチを当てる前のゲームのファイルを置いてください"},
    {MessageId::PreviousFileUnchanged, W,
     u8"equals the new version in files/, so no delta is made from it: check that this is the "
     u8"file as it was before this patch",
     u8"files/ の新しいものと同じなので、差分は作られません。パッチを当てる前のファイルか確かめて"
     u8"ください"},
    {MessageId::PreviousNothingFound, E,
     u8"no payload of the patch is found here: this folder should hold the previous versions at "
     u8"the entries' paths, laid out like files/ ({1})",
     u8"パッチのファイルが一つも見つかりません。このフォルダーには、修正前のファイルを files/ と"
     u8"同じ並びで置いてください（{1}）"},

    {MessageId::OutputInPackage, E,
     u8"{1} is inside the package folder: write the installer somewhere else",
     u8"{1} の出力先がパッケージフォルダーの中です。フォルダーの外を指定してください"},
    {MessageId::OutputFolderMissing, E, u8"the folder for {1} does not exist",
     u8"{1} の出力先フォルダーがありません"},
};

const Text& TextOf(MessageId id) {
    const auto it = std::find_if(std::begin(kTexts), std::end(kTexts),
                                 [id](const Text& text) { return text.id == id; });
    if (it == std::end(kTexts)) {
        throw std::logic_error("a finding without a text");
    }
    return *it;
}

} // namespace

Severity SeverityOf(MessageId id) {
    return TextOf(id).severity;
}

std::string Fill(const std::string& text, const std::vector<std::string>& args) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{' && i + 2 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9' &&
            text[i + 2] == '}') {
            const auto n = static_cast<std::size_t>(text[i + 1] - '1');
            out += n < args.size() ? args[n] : std::string();
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string FindingText(const Finding& finding, Language language) {
    const Text& text = TextOf(finding.id);
    return Fill(language == Language::Japanese ? text.japanese : text.english, finding.args);
}

std::string FindingLine(const Finding& finding, Severity shown, Language language) {
    std::string place = finding.file;
    if (finding.line > 0) {
        place += ":" + std::to_string(finding.line);
    }
    const bool japanese = language == Language::Japanese;
    const char* word = shown == Severity::Error     ? (japanese ? u8"エラー" : "error")
                       : shown == Severity::Warning ? (japanese ? u8"警告" : "warning")
                                                    : (japanese ? u8"情報" : "note");
    return place + ": " + word + ": " + FindingText(finding, language);
}

std::string ShownUtf8(const std::string& utf8) {
    std::string out;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if ((byte & 0xC0) != 0x80 && ++characters > kLongestShown) {
            return out + u8"…";
        }
        if (byte == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

std::string Shown(const std::string& sjis) {
    return ShownUtf8(Cp932ToUtf8(sjis));
}

} // namespace brisel::tools
