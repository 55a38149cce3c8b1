# SPDX-License-Identifier: GPL-3.0-or-later
# Runs hy3tool on bad CSV files and checks that each is refused with the
# file, line and column of its fault, and that a CP932 file reads like UTF-8.
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
execute_process(COMMAND "${HY3TOOL}" encode "${csv}" "${WORK_DIR}/slips.hy3"
                RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE out)
set(expected_warnings
    "${csv}:2: 4列目: 警告: 運賃の欄が空です (0として書きます)"
    "${csv}:3: 3列目: 警告: 負の運賃 -5 があります (-1 以外の負の値は表示用の符号ではありません)"
    "${csv}:3: 4列目: 警告: 運賃 12345 は4桁の表示に収まりません (下4桁だけが表示されます)"
    "${csv}:3: 5列目: 警告: 運賃 5000 は深夜料金(2倍)にすると4桁の表示に収まりません"
    "${csv}:3: 2列目: 警告: 整理券番号 2 は 2 行目の停留所と同じです")
string(REPLACE ";" "\n" expected_err "${expected_warnings}")
string(STRIP "${err}" err)
if(NOT rc EQUAL 0 OR NOT err STREQUAL expected_err OR NOT EXISTS "${WORK_DIR}/slips.hy3")
    message(SEND_ERROR "slips: exit code ${rc}, warnings\n${err}\nexpected\n${expected_err}")
endif()
if(NOT out STREQUAL "${WORK_DIR}/slips.hy3: 停留所 3 件、運賃 6 件 (0 以外) を書き込みました\n")
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
