// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MidiDecoder.h"

#include "sound/SoundFont.h"

#include <QFile>

#include <fluidsynth.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace {

// Below this peak (about -54 dBFS) a block after the music is only the last
// of the reverb.
constexpr int kSilence = 64;

// fluidsynth reports on stderr by default; a damaged file is no news there.
void QuietLogs()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = 0; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

} // namespace

MidiDecoder::MidiDecoder(QByteArray smf, int rate) : m_smf(std::move(smf)), m_rate(rate) {}

MidiDecoder::~MidiDecoder()
{
    if (m_player) {
        fluid_player_stop(m_player);
        delete_fluid_player(m_player);
    }
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_settings)
        delete_fluid_settings(m_settings);
#ifdef __GLIBC__
    // A synthesiser is some ten thousand small blocks (presets, zones,
    // voices); freed, they would stay with the program for good.
    if (m_synth)
        malloc_trim(0);
#endif
}

bool MidiDecoder::Begin(const std::atomic<bool>& stop)
{
    const QString font = SoundFont::Wait(stop);
    if (font.isEmpty() || stop || m_rate <= 0)
        return false;
    QuietLogs();
    // fluidsynth sets up its tables on the first synthesiser made, unguarded
    // against a second made at the same moment: one at a time.
    static std::mutex making;
    std::unique_lock lock(making);
    // Settings of its own: a synthesiser registers itself with its settings.
    m_settings = new_fluid_settings();
    if (!m_settings)
        return false;
    fluid_settings_setnum(m_settings, "synth.sample-rate", m_rate);
    // One note at full velocity peaks near -15 dBFS, a full arrangement near
    // full scale (fluidsynth's own 0.2 leaves a chime barely audible).
    fluid_settings_setnum(m_settings, "synth.gain", 1.0);
    fluid_settings_setint(m_settings, "synth.polyphony", 128);
    // Only this thread uses the synthesiser, and it never needs locked pages.
    fluid_settings_setint(m_settings, "synth.threadsafe-api", 0);
    fluid_settings_setint(m_settings, "synth.lock-memory", 0);
    fluid_settings_setstr(m_settings, "player.timing-source", "sample");
    m_synth = new_fluid_synth(m_settings);
    lock.unlock();
    if (!m_synth || stop)
        return false;
    if (fluid_synth_sfload(m_synth, QFile::encodeName(font).constData(), 1) == FLUID_FAILED)
        return false;
    m_player = new_fluid_player(m_synth);
    if (!m_player ||
        fluid_player_add_mem(m_player, m_smf.constData(), size_t(m_smf.size())) != FLUID_OK)
        return false;
    return fluid_player_play(m_player) == FLUID_OK;
}

int MidiDecoder::Read(qint16* out, int maxFrames)
{
    // The player ends a grace period of two seconds after the last note has
    // died away, for the reverb; it ends sooner here, once that is silent.
    if (!m_player || maxFrames <= 0 || fluid_player_get_status(m_player) != FLUID_PLAYER_PLAYING)
        return 0;
    if (fluid_synth_write_s16(m_synth, maxFrames, out, 0, 2, out, 1, 2) != FLUID_OK)
        return 0;
    if (fluid_player_get_current_tick(m_player) >= fluid_player_get_total_ticks(m_player) &&
        fluid_synth_get_active_voice_count(m_synth) == 0 &&
        std::all_of(out, out + 2 * maxFrames, [](qint16 v) { return std::abs(v) < kSilence; }))
        return 0;
    return maxFrames;
}
