// The rules of the script checker and the texts of its findings.
#include "check/Rules.h"

#include <cstring>

namespace {

const std::vector<Rule> kRules = {
    // Errors: what stops the updater.
    {"missing-updater", "MissingUpdaterSection", Severity::kError,
     "The script has no [UPDATER] section.", "[UPDATER] セクションがない。"},
    {"utf8-bom", "Utf8ByteOrderMark", Severity::kError,
     "A UTF-8 byte-order mark, which Windows reads as text, costs the first line.",
     "UTF-8 のバイト順マークが 1 行目を読めなくする。"},
    {"utf16-big-endian", "Utf16BigEndian", Severity::kError,
     "A big-endian UTF-16 script reads as a script without sections.",
     "ビッグエンディアンの UTF-16 はセクションのない設定ファイルとして読まれる。"},
    {"missing-key", "MissingKey", Severity::kError,
     "A key the procedure's mode reads is missing (message 2).",
     "モードが読むキーがない（メッセージ 2）。"},
    {"missing-section", "MissingSection", Severity::kError,
     "A list names a procedure whose section does not exist (message 2).",
     "リストが存在しないセクションを指す（メッセージ 2）。"},
    {"unknown-mode", "UnknownMode", Severity::kError,
     "MODE names no command (message 6).", "MODE がどのコマンドも指さない（メッセージ 6）。"},
    {"empty-list", "EmptyDrivingList", Severity::kError,
     "The list that drives a procedure is empty (message 4).",
     "手続きを動かすリストが空（メッセージ 4）。"},
    {"switch-scope", "SwitchScope", Severity::kError,
     "A SWITCH tests a procedure that is not in its own list (message 6).",
     "SWITCH が自分のリストにない手続きを調べる（メッセージ 6）。"},
    {"msgbox-flag", "MsgBoxFlagScope", Severity::kError,
     "A MSGBOX condition names a procedure that is not in its own list (message 6).",
     "MSGBOX の条件が自分のリストにない手続きを指す（メッセージ 6）。"},
    {"msgbox-type", "MsgBoxType", Severity::kError,
     "A MSGBOX TYPE is none of the four box kinds (message 6).",
     "MSGBOX の TYPE が 4 種類のどれでもない（メッセージ 6）。"},
    {"nesting-limit", "NestingLimit", Severity::kError,
     "SWITCH lists nest 64 deep (message 3, ProcListArray).",
     "SWITCH のリストが 64 段に達する（メッセージ 3、ProcListArray）。"},
    {"unreadable", "UnreadableScript", Severity::kError,
     "The script cannot be read.", "設定ファイルを読めない。"},
    // Warnings: what fails silently or surprises.
    {"value-cut", "ValueCut", Severity::kWarning,
     "A value over 258 bytes is cut without notice.", "258 バイトを超える値は黙って切られる。"},
    {"define-cut", "DefineCut", Severity::kWarning,
     "A [DEFINE] section over 32,767 bytes loses its last lines.",
     "32,767 バイトを超える [DEFINE] は後ろの行を失う。"},
    {"long-path", "LongPath", Severity::kWarning,
     "A path over 259 characters names nothing.", "259 文字を超えるパスは何も指さない。"},
    {"unknown-symbol", "UnknownSymbol", Severity::kWarning,
     "A symbol-like <Name> that no symbol defines stays as written.",
     "定義のない <名前> はそのまま残る。"},
    {"symbol-unexpanded", "SymbolUnexpanded", Severity::kWarning,
     "A defined symbol stays unexpanded where it is used.", "定義済みのシンボルが展開されずに残る。"},
    {"trailing-comment", "TrailingComment", Severity::kWarning,
     "A ';' comment after a value is part of the value.", "値の後ろの ';' コメントは値の一部になる。"},
    {"semicolon-list", "SemicolonInList", Severity::kWarning,
     "A ';' does not separate the items of a list.", "';' はリストの区切りにならない。"},
    {"sjis-backslash", "ShiftJisBackslash", Severity::kWarning,
     "A double-byte character whose second byte is a backslash splits a path.",
     "2 バイト目が円記号の文字がパスを分ける。"},
    {"not-shift-jis", "NotShiftJis", Severity::kWarning,
     "Non-ASCII text that is not Shift-JIS is garbled.", "Shift-JIS でない非 ASCII 文字は化ける。"},
    {"paired-lists", "PairedListLengths", Severity::kWarning,
     "Lists paired by position have different lengths.", "位置で対になるリストの長さが違う。"},
    {"empty-item", "EmptyItem", Severity::kWarning,
     "An empty item of a list fails or is never found.", "リストの空の項目は失敗するか見つからない。"},
    {"link-folder", "LinkFolder", Severity::kWarning,
     "A shortcut goes into a folder that nothing makes or tests.",
     "何も作らず調べもしないフォルダーにショートカットを置く。"},
    {"delete-untested", "DeleteUntested", Severity::kWarning,
     "A file is deleted that no EXIST tested.", "EXIST で調べていないファイルを削除する。"},
    {"branch-unreachable", "BranchUnreachable", Severity::kWarning,
     "A SWITCH branch is never taken.", "SWITCH の分岐に決して入らない。"},
    {"condition-never", "ConditionNeverHolds", Severity::kWarning,
     "A MSGBOX condition never holds.", "MSGBOX の条件が決して成り立たない。"},
    {"never-runs", "NeverRuns", Severity::kWarning,
     "A procedure stands after one that always ends the run.",
     "必ず実行を終える手続きの後ろの手続きは実行されない。"},
    {"script-changed", "ScriptChanged", Severity::kWarning,
     "The run changes the script itself.", "実行が設定ファイル自身を変える。"},
    {"duplicate-section", "DuplicateSection", Severity::kWarning,
     "A section name appears twice; only the first counts.",
     "同じ名前のセクションが 2 つある。最初のものだけが有効。"},
    {"duplicate-key", "DuplicateKey", Severity::kWarning,
     "A key appears twice in a section; only the first counts.",
     "同じセクションに同じキーが 2 つある。最初のものだけが有効。"},
    {"unreached-section", "UnreachedSection", Severity::kWarning,
     "No list reaches the section.", "どのリストからも届かないセクション。"},
};

struct Message {
    const char* key;
    const char* en;
    const char* ja;
};

const Message kMessages[] = {
    {"missing-updater",
     "the script has no [UPDATER] section: the run stops at once (message 2 for NAME)",
     "[UPDATER] セクションがありません。実行はすぐに止まります（NAME のメッセージ 2）"},
    {"utf8-bom",
     "the script starts with a UTF-8 byte-order mark, which Windows reads as text: the header [{0}] on line 1 "
     "is lost and the run stops at once (message 2 for NAME); save the script without the mark",
     "設定ファイルが UTF-8 のバイト順マークで始まり、Windows はそれを文字として読みます。1 行目の [{0}] "
     "が失われ、実行はすぐに止まります（NAME のメッセージ 2）。マークなしで保存してください"},
    {"utf8-bom-section",
     "the script starts with a UTF-8 byte-order mark, which Windows reads as text: the header [{0}] on line 1 "
     "is lost; save the script without the mark",
     "設定ファイルが UTF-8 のバイト順マークで始まり、Windows はそれを文字として読みます。1 行目の [{0}] "
     "が失われます。マークなしで保存してください"},
    {"utf8-bom-line",
     "the script starts with a UTF-8 byte-order mark, which Windows reads as part of line 1; save the script "
     "without the mark",
     "設定ファイルが UTF-8 のバイト順マークで始まり、Windows はそれを 1 行目の一部として読みます。"
     "マークなしで保存してください"},
    {"utf16-big-endian",
     "the script is big-endian UTF-16, which Windows reads as a script without sections: the run stops at once "
     "(message 2 for NAME); save it as Shift-JIS or little-endian UTF-16",
     "設定ファイルがビッグエンディアンの UTF-16 で、Windows はセクションのないファイルとして読みます。"
     "実行はすぐに止まります（NAME のメッセージ 2）。Shift-JIS かリトルエンディアンの UTF-16 で保存してください"},
    {"missing-key",
     "the key {0} is missing: the list that holds this procedure cannot be built and the run stops (message 2)",
     "キー {0} がありません。この手続きを含むリストを作れず、実行は止まります（メッセージ 2）"},
    {"missing-key-no-data",
     "the value of {0} is NO_DATA, which counts as a missing key: the list that holds this procedure cannot be "
     "built and the run stops (message 2)",
     "{0} の値 NO_DATA はキーがないものと見なされます。この手続きを含むリストを作れず、実行は止まります"
     "（メッセージ 2）"},
    {"missing-updater-key", "[UPDATER] has no {0}: the run stops at once (message 2)",
     "[UPDATER] に {0} がありません。実行はすぐに止まります（メッセージ 2）"},
    {"missing-updater-key-no-data",
     "the value of {0} is NO_DATA, which counts as a missing key: the run stops at once (message 2)",
     "{0} の値 NO_DATA はキーがないものと見なされます。実行はすぐに止まります（メッセージ 2）"},
    {"missing-section",
     "{0} names the procedure \"{1}\", but the script has no section [{1}]: the list cannot be built and the "
     "run stops (message 2 for MODE)",
     "{0} が手続き \"{1}\" を指していますが、セクション [{1}] がありません。リストを作れず、実行は止まります"
     "（MODE のメッセージ 2）"},
    {"missing-section-empty",
     "{0} holds an empty item, which names a procedure without a name: the list cannot be built and the run "
     "stops (message 2 for MODE)",
     "{0} に空の項目があり、名前のない手続きを指します。リストを作れず、実行は止まります（MODE のメッセージ 2）"},
    {"unknown-mode", "MODE \"{0}\" names no command: the list cannot be built and the run stops (message 6)",
     "MODE \"{0}\" はどのコマンドも指しません。リストを作れず、実行は止まります（メッセージ 6）"},
    {"empty-list", "{0} is empty: the procedure stops the run when it runs (message 4)",
     "{0} が空です。この手続きが実行されると実行が止まります（メッセージ 4）"},
    {"empty-list-updater", "PROC is empty: the run stops at once (message 4)",
     "PROC が空です。実行はすぐに止まります（メッセージ 4）"},
    {"switch-scope",
     "PROC \"{0}\" names no procedure of the list that holds this SWITCH: the run stops when it runs "
     "(message 6)",
     "PROC \"{0}\" はこの SWITCH を含むリストのどの手続きも指しません。実行されると実行が止まります"
     "（メッセージ 6）"},
    {"switch-scope-comma",
     "PROC \"{0}\" holds a comma, but it names one procedure and no procedure has that name: the run stops "
     "when it runs (message 6)",
     "PROC \"{0}\" にカンマがありますが、PROC は手続きを 1 つだけ指し、その名前の手続きはありません。"
     "実行されると実行が止まります（メッセージ 6）"},
    {"switch-scope-outer",
     "PROC \"{0}\" names a procedure of an enclosing list, which a SWITCH cannot see: the run stops when it "
     "runs (message 6)",
     "PROC \"{0}\" は外側のリストの手続きで、SWITCH からは見えません。実行されると実行が止まります"
     "（メッセージ 6）"},
    {"msgbox-flag",
     "FLAG \"{0}\" names no procedure of the list that holds this box: the run stops when it runs "
     "(message 6)",
     "FLAG \"{0}\" はこのボックスを含むリストのどの手続きも指しません。実行されると実行が止まります"
     "（メッセージ 6）"},
    {"msgbox-flag-outer",
     "FLAG \"{0}\" names a procedure of an enclosing list, which a box cannot see: the run stops when it runs "
     "(message 6)",
     "FLAG \"{0}\" は外側のリストの手続きで、ボックスからは見えません。実行されると実行が止まります"
     "（メッセージ 6）"},
    {"msgbox-type",
     "TYPE \"{0}\" is none of ERROR, INFORMATION, WARNING and QUESTION: the run stops when the box is due "
     "(message 6)",
     "TYPE \"{0}\" は ERROR、INFORMATION、WARNING、QUESTION のどれでもありません。ボックスを出すときに"
     "実行が止まります（メッセージ 6）"},
    {"nesting-limit",
     "this branch starts a list 64 levels deep, past the deepest nesting: the run stops (message 3, "
     "ProcListArray)",
     "この分岐は 64 段目のリストを始め、入れ子の上限を超えます。実行は止まります（メッセージ 3、"
     "ProcListArray）"},
    {"unreadable", "the script cannot be read", "設定ファイルを読めません"},
    {"value-cut",
     "the value is {0} bytes long and the updater reads only its first 258: it ends in \"{1}\"",
     "値は {0} バイトありますが、アップデータは最初の 258 バイトしか読みません。読まれる値の終わりは \"{1}\""},
    {"value-cut-items",
     "the value is {0} bytes long and the updater reads only its first 258: {1} of its {2} items are read, the "
     "last of them cut to \"{3}\", and these are lost: {4}",
     "値は {0} バイトありますが、アップデータは最初の 258 バイトしか読みません。{2} 項目のうち {1} 項目だけが"
     "読まれ、最後の項目は \"{3}\" に切られ、次の項目は失われます: {4}"},
    {"value-cut-last",
     "the value is {0} bytes long and the updater reads only its first 258: its last item is cut to \"{1}\"",
     "値は {0} バイトありますが、アップデータは最初の 258 バイトしか読みません。最後の項目は \"{1}\" に切られます"},
    {"value-cut-items-whole",
     "the value is {0} bytes long and the updater reads only its first 258: {1} of its {2} items are read, and "
     "these are lost: {3}",
     "値は {0} バイトありますが、アップデータは最初の 258 バイトしか読みません。{2} 項目のうち {1} 項目だけが"
     "読まれ、次の項目は失われます: {3}"},
    {"define-cut",
     "[DEFINE] holds {0} bytes and the updater reads only its first 32,767: the symbols from line {1} on are "
     "lost",
     "[DEFINE] は {0} バイトありますが、アップデータは最初の 32,767 バイトしか読みません。{1} 行目からの"
     "シンボルは失われます"},
    {"long-path",
     "item {0} expands to a path of {1} characters; a path of more than 259 names nothing: \"{2}\"",
     "項目 {0} は展開すると {1} 文字のパスになります。259 文字を超えるパスは何も指しません: \"{2}\""},
    {"unknown-symbol", "{0} is no symbol: it stays in the value as written",
     "{0} はシンボルではありません。値にそのまま残ります"},
    {"symbol-unexpanded-later",
     "{0} is defined on a later line of [DEFINE] (line {1}): a line can use only the symbols above it, so {0} "
     "stays as written",
     "{0} は [DEFINE] の後ろの行（{1} 行目）で定義されています。行は上の行のシンボルしか使えないので、{0} は"
     "そのまま残ります"},
    {"symbol-unexpanded",
     "{0} stays unexpanded: a value is expanded in as many steps as it had groups, and a symbol whose value "
     "brings in new groups uses them up",
     "{0} は展開されずに残ります。値はもともとの <> の数だけの手順で展開され、新しい <> を持ち込むシンボルが"
     "手順を使い切ります"},
    {"trailing-comment",
     "the value ends in \"{0}\": a ';' after a value is no comment but part of the value",
     "値が \"{0}\" で終わっています。値の後ろの ';' はコメントではなく値の一部です"},
    {"semicolon-list", "\"{0}\" holds ';', which does not separate items: write ',' between them",
     "\"{0}\" に ';' がありますが、項目の区切りにはなりません。項目の間には ',' を書いてください"},
    {"sjis-backslash-file",
     "item {0} holds \"{1}\", whose second byte is a backslash: the updater takes the program's folder to end "
     "inside it (\"{2}\")",
     "項目 {0} の \"{1}\" は 2 バイト目が円記号です。アップデータはプログラムのフォルダーがその文字の中で"
     "終わると見なします（\"{2}\"）"},
    {"sjis-backslash-parent",
     "\"{0}\" stands before \"..\" and its second byte is a backslash: the \"..\" removes the wrong part of the "
     "path",
     "\"..\" の前の \"{0}\" は 2 バイト目が円記号です。\"..\" がパスの違う部分を取り除きます"},
    {"sjis-backslash-src",
     "the script's own name holds \"{0}\", whose second byte is a backslash: <Src> is cut there",
     "設定ファイルの名前の \"{0}\" は 2 バイト目が円記号です。<Src> がそこで切れます"},
    {"not-shift-jis-utf8",
     "the script is UTF-8, but the updater reads it as Shift-JIS: its non-ASCII text is garbled (first on "
     "line {0}); save it as Shift-JIS",
     "設定ファイルは UTF-8 ですが、アップデータは Shift-JIS として読みます。非 ASCII の文字が化けます"
     "（最初は {0} 行目）。Shift-JIS で保存してください"},
    {"not-shift-jis",
     "line {0} holds bytes that are no Shift-JIS text: they are read as other characters",
     "{0} 行目に Shift-JIS でないバイトがあり、別の文字として読まれます"},
    {"paired-lists-TO", "FROM has {1} items but TO has {3}: copy {4} has no destination and fails (message 8)",
     "FROM は {1} 項目ですが TO は {3} 項目です。{4} 番目のコピーには転送先がなく、失敗します（メッセージ 8）"},
    {"paired-lists-DST",
     "SRC has {1} items but DST has {3}: shortcut {4} gets the file name \".LNK\" alone and is not where it is "
     "looked for",
     "SRC は {1} 項目ですが DST は {3} 項目です。{4} 番目のショートカットのファイル名は \".LNK\" だけになります"},
    {"paired-lists-ARG", "FILE has {1} items but ARG has {3}: file {4} gets the attribute 0",
     "FILE は {1} 項目ですが ARG は {3} 項目です。{4} 番目のファイルの属性は 0 になります"},
    {"paired-lists-PARAM", "{0} has {1} items but PARAM has {3}: item {4} gets no parameters",
     "{0} は {1} 項目ですが PARAM は {3} 項目です。{4} 番目の項目にはパラメータがありません"},
    {"paired-lists-SHOWCMD", "SRC has {1} items but SHOWCMD has {3}: shortcut {4} gets the shell's default window",
     "SRC は {1} 項目ですが SHOWCMD は {3} 項目です。{4} 番目のショートカットはシェル既定のウィンドウになります"},
    {"paired-lists-extra", "{2} has {3} items, more than the {1} of {0}: the items after {1} are ignored",
     "{2} は {3} 項目で、{0} の {1} 項目より多くあります。{1} 項目より後ろは無視されます"},
    {"empty-item-fails", "item {0} of {1} is empty: the procedure fails there and the run stops",
     "{1} の項目 {0} が空です。手続きはそこで失敗し、実行が止まります"},
    {"empty-item-exist", "item {0} of {1} is empty: an empty name is never found, so the flag stays 0",
     "{1} の項目 {0} が空です。空の名前は見つからないので、フラグは 0 のままです"},
    {"empty-item-date", "item {0} of {1} is empty: an empty name counts as an older file, so the flag becomes 1",
     "{1} の項目 {0} が空です。空の名前は古いファイルと見なされ、フラグは 1 になります"},
    {"link-folder",
     "the folder \"{0}\" of shortcut {1} is neither made by a MAKEDIR nor tested by an EXIST: if it is "
     "missing, LINK makes no shortcut and shows nothing",
     "ショートカット {1} のフォルダー \"{0}\" は MAKEDIR で作られず EXIST でも調べられていません。"
     "ないときは LINK はショートカットを作らず、何も表示しません"},
    {"delete-untested",
     "\"{0}\" is deleted, but no EXIST tests it: when it is not there the run stops (message 10)",
     "\"{0}\" を削除しますが、EXIST で調べていません。ないときは実行が止まります（メッセージ 10）"},
    {"branch-unreachable-later",
     "branch {0} is never taken: {1} has not run when this SWITCH runs (it stands at or after it), so its "
     "flag is 0",
     "分岐 {0} には決して入りません。この SWITCH のとき {1} はまだ実行されていない（同じか後ろにある）ので、"
     "フラグは 0 です"},
    {"branch-unreachable-switch", "branch {0} is never taken: {1} is a SWITCH, whose flag is always 0",
     "分岐 {0} には決して入りません。{1} は SWITCH で、そのフラグは常に 0 です"},
    {"branch-unreachable-action",
     "branch {0} is never taken: {1} either succeeds with the flag 1 or stops the run",
     "分岐 {0} には決して入りません。{1} は成功してフラグ 1 になるか、実行を止めるかのどちらかです"},
    {"branch-unreachable-isabort",
     "branch {0} is never taken: the ISABORT of {1} ends the run on the answer that would give the flag {0}",
     "分岐 {0} には決して入りません。フラグ {0} になる答えでは {1} の ISABORT が実行を終えます"},
    {"branch-unreachable",
     "branch {0} is never taken: the flag of {1} can only be {2} here",
     "分岐 {0} には決して入りません。ここでは {1} のフラグは {2} にしかなりません"},
    {"condition-never-later",
     "the box is never shown: {1} has not run when this box is due, so its flag is 0, not {0}",
     "このボックスは表示されません。このとき {1} はまだ実行されていないので、フラグは {0} ではなく 0 です"},
    {"condition-never-switch", "the box is never shown: {1} is a SWITCH, whose flag is always 0, not {0}",
     "このボックスは表示されません。{1} は SWITCH で、フラグは常に 0 で {0} ではありません"},
    {"condition-never-action",
     "the box is never shown: {1} either succeeds with the flag 1 or stops the run, so its flag is never {0}",
     "このボックスは表示されません。{1} は成功してフラグ 1 になるか実行を止めるので、フラグは {0} になりません"},
    {"condition-never-isabort",
     "the box is never shown: the ISABORT of {1} ends the run on the answer that would give the flag {0}",
     "このボックスは表示されません。フラグ {0} になる答えでは {1} の ISABORT が実行を終えます"},
    {"condition-never", "the box is never shown: the flag of {1} is never {0} here",
     "このボックスは表示されません。ここでは {1} のフラグが {0} になることはありません"},
    {"never-runs", "{1} never runs in this list: {0} before it ends every run that reaches it",
     "このリストの {1} は実行されません。前の {0} がそこに来たすべての実行を終えます"},
    {"script-changed-copy",
     "item {0} copies over the script itself: lists built after it read the new script, which this check "
     "does not see",
     "項目 {0} は設定ファイル自身に上書きします。その後に作られるリストは新しい設定ファイルを読みますが、"
     "この検査には見えません"},
    {"script-changed-delete",
     "item {0} deletes the script itself: every list built after it fails (message 2 for MODE)",
     "項目 {0} は設定ファイル自身を削除します。その後に作られるリストはすべて失敗します（MODE のメッセージ 2）"},
    {"duplicate-section", "a second [{0}]: only the first, on line {1}, counts, and these lines are never read",
     "2 つ目の [{0}] です。{1} 行目の最初のものだけが有効で、ここの行は読まれません"},
    {"duplicate-key", "{0} appears again: only the first, on line {1}, counts",
     "{0} が再び現れます。{1} 行目の最初のものだけが有効です"},
    {"duplicate-symbol", "{0} is defined again: only the first, on line {1}, counts",
     "{0} が再び定義されています。{1} 行目の最初のものだけが有効です"},
    {"unreached-section", "no list reaches [{0}]: it never runs",
     "どのリストも [{0}] に届きません。実行されることはありません"},
    {"unreached-section-branch", "only branches that are never taken name [{0}]: it never runs",
     "[{0}] を指すのは決して入らない分岐だけです。実行されることはありません"},
};

struct UiMessage {
    const char* key;
    const char* en;
    const char* ja;
};

const UiMessage kUi[] = {
    {"did-you-mean", "did you mean \"{0}\"?", "\"{0}\" の誤りではありませんか？"},
    {"stop-building-main", "the run stops while the main list is built, before any procedure has run",
     "実行はメインのリストを作るときに止まり、手続きは 1 つも実行されません"},
    {"stop-at", "the run stops in {0}", "実行は{0}で止まります"},
    {"stop-branch", "branch {1} of [{0}]", "[{0}] の分岐 {1}"},
    {"stop-branch-repeated", "branch {1} of [{0}], {2} levels deep", "{2} 段に重なった [{0}] の分岐 {1}"},
    {"stop-branch-join", ", inside ", "の中の"},
    {"stop-main", "the main list", "メインのリスト"},
    {"stop-after", ", after {0}", "（{0} の後）"},
    {"stop-before-any", ", before any procedure has run", "（手続きはまだ 1 つも実行されていません）"},
    {"stop-changed", "; {0} may already have changed files", "。{0} がすでにファイルを変えているかもしれません"},
    {"summary", "{0}: {1} error(s), {2} warning(s)", "{0}: エラー {1} 件、警告 {2} 件"},
};

std::string Fill(const char* pattern, const std::vector<std::string>& args) {
    std::string text;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p == '{' && p[1] >= '0' && p[1] <= '9' && p[2] == '}') {
            const size_t index = static_cast<size_t>(p[1] - '0');
            if (index < args.size()) text += args[index];
            p += 2;
        } else {
            text += *p;
        }
    }
    return text;
}

}  // namespace

const std::vector<Rule>& AllRules() { return kRules; }

const Rule* FindRule(const std::string& id) {
    for (const Rule& rule : kRules) {
        if (id == rule.id) return &rule;
    }
    return nullptr;
}

size_t RuleIndex(const Rule& rule) { return static_cast<size_t>(&rule - kRules.data()); }

std::string MessageText(const std::string& key, const std::vector<std::string>& args, Language language) {
    for (const Message& message : kMessages) {
        if (key == message.key) return Fill(language == Language::kJapanese ? message.ja : message.en, args);
    }
    return key;
}

std::string UiText(const std::string& key, Language language, const std::vector<std::string>& args) {
    for (const UiMessage& message : kUi) {
        if (key == message.key) return Fill(language == Language::kJapanese ? message.ja : message.en, args);
    }
    return key;
}
