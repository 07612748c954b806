# Shared by the scripts that build or drive the Windows component; source it.

kestor_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# A path of this machine as Wine sees it: drive Z: is the Unix root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Configures and builds one architecture's tree, BUILD/ARCH, with its cross toolchain;
# every target when none is named.
#   build_windows BUILD win32|win64 [TARGET...]
build_windows() {
  local build=$1 arch=$2 toolchain
  shift 2
  case $arch in
    win32) toolchain=mingw-i686 ;;
    win64) toolchain=mingw-x86_64 ;;
    *) echo "unknown architecture: $arch" >&2; return 1 ;;
  esac
  cmake -S "$kestor_root" -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$kestor_root/cmake/$toolchain.cmake" &&
    cmake --build "$build/$arch" -j"$(nproc)" ${1:+--target "$@"}
}
