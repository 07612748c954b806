# Shared by the scripts that build or drive the Windows component; source it.

kestor_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# A path of this machine as Wine sees it: drive Z: is the Unix root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The machine policy the bridge's host reads its allowed origins from (below HKLM, the
# 64-bit view); host/bridge/allowed_origins.h holds the same path for the host itself.
kestor_policy_key='SOFTWARE\Policies\Kestor\Bridge\AllowedOrigins'

# Configures and builds one architecture's tree, BUILD/ARCH, from its preset (the cross
# toolchain); every target when none is named. The scripts' build folder, not the
# preset's build/, so KESTOR_BUILD_DIR holds every tree.
#   build_windows BUILD win32|win64 [TARGET...]
build_windows() {
  local build=$1 arch=$2
  shift 2
  cmake -S "$kestor_root" --preset "$arch" -B "$build/$arch" &&
    cmake --build "$build/$arch" -j"$(nproc)" ${1:+--target "$@"}
}
