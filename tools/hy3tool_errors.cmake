# SPDX-License-Identifier: GPL-3.0-or-later
# Runs hy3tool on bad CSV files and checks that each is refused with the
# file, line and column of its fault (and a hint where the fault is an
# everyday slip), that a CP932 file reads like UTF-8, that names the panel
# cannot load are warned about, and the help and decode-to-screen forms.
#   cmake -DHY3TOOL=<exe> -DWORK_DIR=<dir> -P hy3tool_errors.cmake

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# expect_error(<name> <csv content> <regex the message must match>)
function(expect_error name content regex)
    set(csv "${WORK_DIR}/${name}.csv")
    file(WRITE "${csv}" "${content}")
    execute_process(COMMAND "${HY3TOOL}" encode "${csv}" "${WORK_DIR}/${name}.hy3"
                    RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
    string(STRIP "${err}" err)
    if(NOT rc EQUAL 1)
        message(SEND_ERROR "${name}: exit code ${rc}, expected 1 (${err})")
        return()
    endif()
    string(LENGTH "${csv}:" prefix_length)
    string(LENGTH "${err}" err_length)
    if(err_length LESS prefix_length)
        message(SEND_ERROR "${name}: message too short: ${err}")
        return()
    endif()
    string(SUBSTRING "${err}" 0 ${prefix_length} prefix)
    string(SUBSTRING "${err}" ${prefix_length} -1 rest)
    if(NOT prefix STREQUAL "${csv}:" OR NOT rest MATCHES "^${regex}$")
        message(SEND_ERROR "${name}: message\n  ${err}\ndoes not match\n  ${csv}:${regex}")
    endif()
    if(EXISTS "${WORK_DIR}/${name}.hy3")
        message(SEND_ERROR "${name}: refused input still wrote a file")
    endif()
endfunction()

expect_error(not_a_number
    "# 停留所名,整理券番号,運賃\n停留所A,1,160\n\n停留所B,2,190,abc\n"
    "4: 4列目: 'abc' は数値ではありません")
expect_error(decimal "A,1,160.5\n" "1: 3列目: '160.5' は数値ではありません")
expect_error(out_of_range "A,1,160\nB,2,32768\n"
    "2: 3列目: '32768' は範囲外です \\(-32768～32767\\)")
expect_error(ticket_missing "A,1\nB\n" "2: 2列目: 整理券番号がありません")
expect_error(ticket_empty "A, ,160\n" "1: 2列目: 整理券番号がありません")
expect_error(ticket_not_a_number "A,x1\n" "1: 2列目: 'x1' は数値ではありません")
# A quoted name over two lines: the next stop begins on line 3.
expect_error(multiline_name "\"複数\n行\",1,160\nB,2,-\n" "3: 3列目: '-' は数値ではありません")
expect_error(unclosed_quote "A,1\n\"B,2,160\n" "2: 1列目: 引用符が閉じていません")
expect_error(after_quote "\"A\"x,1\n" "1: 1列目: 閉じた引用符のあとに文字があります")
expect_error(not_cp932 "停留所😀,1\n"
    "1: 1列目: 停留所名 '停留所😀' にCP932で表せない文字があります")

string(REPEAT ",10" 150 fares150)
expect_error(fare_151 "A,1${fares150},10\n" "1: 153列目: 運賃は150列までです")

string(ASCII 239 187 191 bom)
expect_error(no_stops "${bom}# 注釈だけ\n\n" "1: 停留所が1つもありません")
# Neither UTF-8 (0x82 0xA0 is no UTF-8) nor CP932 (0xFF is no CP932 byte).
string(ASCII 130 160 255 bad_bytes)
expect_error(not_text "A,1\n${bad_bytes},2\n"
    "2: 文字コードがUTF-8でもCP932でもありません \\(UTF-8としては2行目の1バイト目 \\(0x82\\)、CP932としては2行目の3バイト目 \\(0xff\\)が読めません\\)")

# Everyday slips get a hint at what was meant; a hint names the same line.
expect_error(tab_separated "駅前\t1\t160\n"
    "1: 2列目: 整理券番号がありません\n${WORK_DIR}/tab_separated.csv:1: ヒント: タブで区切られているようです。.*")
expect_error(fullwidth_commas "駅前，1，160\n"
    "1: 2列目: 整理券番号がありません\n${WORK_DIR}/fullwidth_commas.csv:1: ヒント: 全角の「，」で区切っていませんか。項目の区切りは半角の「,」です")
expect_error(fullwidth_fares "駅前,1,160\n中央,2,160、170\n"
    "2: 3列目: '160、170' は数値ではありません\n${WORK_DIR}/fullwidth_fares.csv:2: ヒント: 全角の「、」で区切っていませんか。.*")
expect_error(header_without_hash "停留所名,整理券番号,運賃1\n駅前,1,160\n"
    "1: 2列目: '整理券番号' は数値ではありません\n${WORK_DIR}/header_without_hash.csv:1: ヒント: 1行目は見出しですか。.*")
expect_error(fullwidth_digits "駅前,１,160\n"
    "1: 2列目: '１' は数値ではありません\n${WORK_DIR}/fullwidth_digits.csv:1: ヒント: 全角の数字や記号があります。数は半角で書きます")
# No hint where the slip is not in the faulty field, nor a header after the first stop.
expect_error(comma_in_name "駅前、北口,1,abc\n" "1: 3列目: 'abc' は数値ではありません")
expect_error(word_after_first_stop "駅前,1,160\n中央,二,160\n" "2: 2列目: '二' は数値ではありません")

string(REPEAT "S,1\n" 301 stops301)
expect_error(stop_302 "# 302 stops\n${stops301}S,1\n" "303: 停留所は301までです")

# Things that are fine: 150 fares, trailing empty fields, a CRLF file.
foreach(ok_case "A,1${fares150},,\n" "A,1,160\r\nB,2,,-1\r\n")
    file(WRITE "${WORK_DIR}/ok.csv" "${ok_case}")
    execute_process(COMMAND "${HY3TOOL}" encode "${WORK_DIR}/ok.csv" "${WORK_DIR}/ok.hy3"
                    RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(SEND_ERROR "valid CSV refused: ${err}")
    endif()
endforeach()

# Slips that may be deliberate are warned about with their place, and the
# file is still written.
set(csv "${WORK_DIR}/slips.csv")
file(WRITE "${csv}" "駅前,1,160\n中央,2,160,,170\n市役所,2,-5,12345,5000,\n")
execute_process(COMMAND "${HY3TOOL}" encode "${csv}" "${WORK_DIR}/31.hy3"
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE out)
set(expected_warnings
    "${csv}:2: 4列目: 警告: 運賃の欄が空です (0として書きます)"
    "${csv}:3: 3列目: 警告: 負の運賃 -5 があります (-1 以外の負の値は表示用の符号ではありません)"
    "${csv}:3: 4列目: 警告: 運賃 12345 は4桁の表示に収まりません (下4桁だけが表示されます)"
    "${csv}:3: 5列目: 警告: 運賃 5000 は深夜料金(2倍)にすると4桁の表示に収まりません"
    "${csv}:3: 2列目: 警告: 整理券番号 2 は 2 行目の停留所と同じです")
string(REPLACE ";" "\n" expected_err "${expected_warnings}")
string(STRIP "${err}" err)
if(NOT rc EQUAL 0 OR NOT err STREQUAL expected_err OR NOT EXISTS "${WORK_DIR}/31.hy3")
    message(SEND_ERROR "slips: exit code ${rc}, warnings\n${err}\nexpected\n${expected_err}")
endif()
if(NOT out STREQUAL "${WORK_DIR}/31.hy3: 停留所 3 件、運賃 6 件 (0 以外) を書き込みました\n")
    message(SEND_ERROR "slips: summary line ${out}")
endif()

# Wrong command lines are usage errors, not input errors.
execute_process(COMMAND "${HY3TOOL}" convert a b RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 2)
    message(SEND_ERROR "unknown command: exit code ${rc}, expected 2")
endif()
execute_process(COMMAND "${HY3TOOL}" encode "${WORK_DIR}/missing.csv" "${WORK_DIR}/x.hy3"
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "missing.csv: 読み込めません")
    message(SEND_ERROR "missing input: exit code ${rc}, message ${err}")
endif()

# The same table in CP932 and in UTF-8 gives the same file.
get_filename_component(testdata "${CMAKE_CURRENT_LIST_DIR}/testdata" ABSOLUTE)
foreach(name cp932 cp932_as_utf8)
    execute_process(COMMAND "${HY3TOOL}" encode "${testdata}/${name}.csv" "${WORK_DIR}/${name}.hy3"
                    RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
        message(SEND_ERROR "${name}.csv refused: ${err}")
    endif()
endforeach()
file(SHA256 "${WORK_DIR}/cp932.hy3" a)
file(SHA256 "${WORK_DIR}/cp932_as_utf8.hy3" b)
if(NOT a STREQUAL b)
    message(SEND_ERROR "the CP932 and the UTF-8 table give different files")
endif()

# Names the control panel would never load are warned about; the file is
# still written. So is a route of one stop, on which no section can be set.
set(two_stops "${WORK_DIR}/two.csv")
file(WRITE "${two_stops}" "駅前,1\n中央,2,160\n")
file(MAKE_DIRECTORY "${WORK_DIR}/names")
# expect_name(<output name> <regex of the warning, empty for none>)
function(expect_name name regex)
    set(out "${WORK_DIR}/names/${name}")
    execute_process(COMMAND "${HY3TOOL}" encode "${two_stops}" "${out}"
                    RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
    string(STRIP "${err}" err)
    if(NOT rc EQUAL 0 OR NOT EXISTS "${out}")
        message(SEND_ERROR "name ${name}: exit code ${rc}, not written (${err})")
    elseif(regex STREQUAL "" AND NOT err STREQUAL "")
        message(SEND_ERROR "name ${name}: unexpected warning ${err}")
    elseif(NOT regex STREQUAL "" AND NOT err MATCHES "^${out}: 警告: ${regex}$")
        message(SEND_ERROR "name ${name}: warning\n  ${err}\ndoes not match\n  ${regex}")
    endif()
endfunction()
expect_name(自分の路線.hy3 "系統番号でない名前のため.*\\(例: 12.hy3\\)")
expect_name(012.hy3 "系統番号の先頭に0があるため.*系統 12 なら 12.hy3 にします")
expect_name(00.hy3 ".*系統 0 なら 0.hy3 にします")
expect_name(123456.hy3 "系統番号は5桁 \\(0～99999\\) までのため.*")
expect_name(12.HY3 "拡張子が小文字の .hy3 でないため.*")
expect_name(12.csv "名前が .hy3 で終わらないため.*")
expect_name(12.hy3 "")
expect_name(0.hy3 "")
expect_name(99999.hy3 "")

set(csv "${WORK_DIR}/one.csv")
file(WRITE "${csv}" "駅前,1\n")
execute_process(COMMAND "${HY3TOOL}" encode "${csv}" "${WORK_DIR}/41.hy3"
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
if(NOT rc EQUAL 0 OR NOT EXISTS "${WORK_DIR}/41.hy3"
   OR NOT err MATCHES "^${csv}: 警告: 停留所が1つだけのため、区間を設定できません")
    message(SEND_ERROR "one stop: exit code ${rc}, warning ${err}")
endif()

# A full-width comma before a number reads as one name: written, with a warning.
set(csv "${WORK_DIR}/comma_slip.csv")
file(WRITE "${csv}" "駅前,1\n中央，2,160\n")
execute_process(COMMAND "${HY3TOOL}" encode "${csv}" "${WORK_DIR}/42.hy3"
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
if(NOT rc EQUAL 0 OR NOT err MATCHES "${csv}:2: 1列目: 警告: 停留所名 '中央，2' に全角の「，」と数があります")
    message(SEND_ERROR "comma slip: exit code ${rc}, warning ${err}")
endif()

# Help asked for is no error.
foreach(args "--help" "-h" "gtfs;--help" "encode;--help")
    execute_process(COMMAND "${HY3TOOL}" ${args}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc EQUAL 0 OR NOT out MATCHES "^使い方:" OR NOT err STREQUAL "")
        message(SEND_ERROR "help (${args}): exit code ${rc}, output ${out}${err}")
    endif()
endforeach()

# decode to "-" writes the same CSV to the screen, ending in a line break.
execute_process(COMMAND "${HY3TOOL}" decode "${WORK_DIR}/31.hy3" "${WORK_DIR}/31.csv"
                RESULT_VARIABLE rc1)
execute_process(COMMAND "${HY3TOOL}" decode "${WORK_DIR}/31.hy3" -
                RESULT_VARIABLE rc2 OUTPUT_VARIABLE shown ERROR_VARIABLE err)
file(READ "${WORK_DIR}/31.csv" written)
if(NOT rc1 EQUAL 0 OR NOT rc2 EQUAL 0 OR NOT shown STREQUAL written OR NOT shown MATCHES "市役所,2,-5,12345,5000\n$")
    message(SEND_ERROR "decode to standard output: exit codes ${rc1} ${rc2}, output\n${shown}${err}")
endif()
if(EXISTS "${WORK_DIR}/-")
    message(SEND_ERROR "decode to standard output wrote a file named -")
endif()
