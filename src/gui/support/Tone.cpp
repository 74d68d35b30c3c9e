// SPDX-License-Identifier: GPL-3.0-or-later
// The tone goes straight to ALSA: a small library every Linux desktop has,
// no further Qt module, and the PulseAudio or PipeWire plugin behind ALSA's
// "default" device routes it to the desktop's own output.
#include "gui/support/Tone.h"

#include "core/tone/ToneSamples.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <thread>

namespace {
constexpr int kRate = 48000;
constexpr unsigned kLatencyMicroseconds = 60000;

// ALSA writes its complaints (no card, no server) to stderr; a missing
// sound output is not worth a word.
void Quiet(const char*, int, const char*, int, const char*, ...) {}

struct Pcm {
    snd_pcm_t* handle = nullptr;
    ~Pcm()
    {
        if (handle)
            snd_pcm_close(handle);
    }
};
} // namespace

void PlayTone(int hertz, int milliseconds)
{
    static const bool silenced = (snd_lib_error_set_handler(Quiet), true);
    (void)silenced;
    const std::vector<std::int16_t> samples = quill::ToneSamples(hertz, milliseconds, kRate);
    if (samples.empty())
        return;
    // Opened without blocking, so a device held by another program is
    // skipped at once instead of waited for.
    Pcm pcm;
    if (snd_pcm_open(&pcm.handle, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        pcm.handle = nullptr;
        return;
    }
    if (snd_pcm_set_params(pcm.handle, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate, 1,
                           kLatencyMicroseconds) < 0)
        return;
    // The buffer holds the whole tone, so one write normally hands it all
    // over; the output is started by hand, as it would otherwise wait for a
    // full buffer.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds) +
                          std::chrono::microseconds(kLatencyMicroseconds) + std::chrono::milliseconds(20);
    std::size_t done = 0;
    while (done < samples.size() && std::chrono::steady_clock::now() < deadline) {
        snd_pcm_sframes_t n = snd_pcm_writei(pcm.handle, samples.data() + done, samples.size() - done);
        if (n == -EAGAIN) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        if (n < 0 && snd_pcm_recover(pcm.handle, static_cast<int>(n), 1) < 0)
            return;
        if (n > 0)
            done += static_cast<std::size_t>(n);
        if (snd_pcm_state(pcm.handle) == SND_PCM_STATE_PREPARED)
            snd_pcm_start(pcm.handle);
    }
    // Wait for it to be played, but never much longer than the tone lasts:
    // a stalled output is simply dropped when the device is closed.
    while (std::chrono::steady_clock::now() < deadline) {
        const snd_pcm_state_t state = snd_pcm_state(pcm.handle);
        snd_pcm_sframes_t delay = 0;
        if ((state != SND_PCM_STATE_RUNNING && state != SND_PCM_STATE_DRAINING) ||
            snd_pcm_delay(pcm.handle, &delay) < 0 || delay <= 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
