// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the settings file reader. Any bytes must decode without
// reading past the end, stop on a field boundary, and leave a record that
// encodes to a file which reads back to itself.

#include "fuzz/FuzzCheck.h"
#include "settings/SettingsCodec.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Raw data, not a copy: an over-read lands outside the fuzzer's buffer
    // where the address sanitizer sees it.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    SettingsRecord rec;
    const SettingsDecodeResult res = DecodeSettings(bytes, rec);
    Require(res.fieldsRead >= 0 && res.fieldsRead <= kSettingsFieldCount);
    Require(res.bytesRead >= 0 && res.bytesRead <= bytes.size());
    Require(res.complete() ? res.bytesRead + res.trailingBytes == bytes.size()
                           : res.trailingBytes == 0);
    Require(!SettingsFieldName(res.complete() ? res.fieldsRead : res.fieldsRead + 1).isEmpty());

    const SettingsEncodeResult enc = EncodeSettings(rec);
    if (!enc.ok())
        return 0;

    // The bytes the complete fields took are a file on their own that gives
    // the same fields.
    SettingsRecord prefixRec;
    const SettingsDecodeResult prefix = DecodeSettings(bytes.left(res.bytesRead), prefixRec);
    Require(prefix.fieldsRead == res.fieldsRead && prefix.bytesRead == res.bytesRead);
    const SettingsEncodeResult prefixEnc = EncodeSettings(prefixRec);
    Require(prefixEnc.ok() && prefixEnc.bytes == enc.bytes);

    // Whatever was decoded, once written, reads back whole and writes the same
    // bytes again.
    SettingsRecord again;
    const SettingsDecodeResult back = DecodeSettings(enc.bytes, again);
    Require(back.complete() && back.trailingBytes == 0);
    const SettingsEncodeResult reenc = EncodeSettings(again);
    Require(reenc.ok() && reenc.bytes == enc.bytes);
    return 0;
}
