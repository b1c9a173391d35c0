# Sourced. Whether this machine runs 32-bit x86 Linux programs, and how.
#
# A kernel built without IA-32 emulation refuses them ("Exec format
# error"). There they run through QEMU's user-mode emulator, registered with
# binfmt_misc for i386 ELF files as Debian's qemu-user-binfmt does for
# foreign architectures. The -m32 suite runs well under it; Wine's 32-bit
# loader does not (it starts only with a reserved guest address space and
# then takes minutes a program), so the Windows step asks ia32_native.

ia32_probe() {
  local folder status=1
  folder=$(mktemp -d)
  if printf 'int main(void) { return 0; }\n' | gcc -m32 -x c - -o "$folder/probe" 2>/dev/null; then
    "$folder/probe" 2>/dev/null && status=0
  fi
  rm -rf "$folder"
  return $status
}

ia32_emulated() {
  grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null
}

# True when the kernel itself runs them.
ia32_native() {
  ! ia32_emulated && ia32_probe
}

# Makes them run, through the emulator where the kernel cannot; fails, saying
# why, when neither works.
ia32_enable() {
  ia32_probe && return 0
  echo "this kernel runs no 32-bit x86 programs: they run through qemu-i386"
  command -v qemu-i386 >/dev/null || apt-get install -y qemu-user >/dev/null
  local misc=/proc/sys/fs/binfmt_misc
  [ -e "$misc/register" ] || mount -t binfmt_misc binfmt_misc "$misc"
  if ! ia32_emulated; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:' \
      >"$misc/register"
  fi
  ia32_probe || { echo "32-bit x86 programs do not run here, even through qemu-i386" >&2; return 1; }
}
