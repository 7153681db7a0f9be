#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (run as root).
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev
  libsdl2-dev libsdl2-mixer-dev  # audio output; SDL2_mixer only for the benchmark
  libevdev-dev                  # the input-device server
  libfluidsynth-dev fluidsynth timgm6mb-soundfont  # built-in MIDI synthesizer, GM SoundFont
  librtmidi-dev                 # ALSA sequencer MIDI ports
  libasound2-dev                # MIDI controllers as input devices (the input server reads the ALSA sequencer)
  liblo-dev liblo-tools         # the OSC device; oscsend for its tests
  libsndfile1-dev libsamplerate0-dev  # sound files of every kind (FLAC, Ogg, Opus, MP3, AIFF, any WAV) decoded for keys
  clang-14 libclang-rt-14-dev   # the fuzz targets
  qt6-base-dev qt6-svg-dev libgl-dev  # the main program's windows
  xvfb xauth xdotool imagemagick x11-utils fonts-dejavu-core  # window tests under X, screenshots
  libx11-dev libxtst-dev        # the main program benchmark drives the X server
  desktop-file-utils appstream dpkg-dev file shared-mime-info lintian  # checking the install and the Debian package
  clang-format git              # the format check (scripts/check-format.sh)
  pipewire pipewire-bin wireplumber pipewire-pulse pulseaudio-utils dbus-daemon  # the private audio graph of the PipeWire tests
  libpipewire-0.3-dev           # sinktap: what reached the test sink, for those tests and the latency benchmark
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
