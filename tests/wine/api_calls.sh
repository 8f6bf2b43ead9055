# Reads the relay trace of one run of tarnwell.exe (sourced by run_case.sh).
# Wine's helper processes (the desktop, services) inherit the trace, and
# their programs lie at the same image base as the program (0x140000000
# for every 64-bit mingw-w64 program). The program's process is the one
# that shows a message box from its own code: every run shows one, and no
# helper shows any.

# own_calls LOG: the calls that the program's own code made, one per line.
own_calls() {
  local own="^([0-9a-f]+):[0-9a-f]+:Call [A-Za-z0-9]+\.[A-Za-z]+\(.*\) ret=$IMAGE_RET\$"
  local pids
  pids=$(grep -aE "$own" "$1" | grep -aF 'user32.MessageBoxW(' | cut -d: -f1 | sort -u)
  [ -n "$pids" ] || return 0
  [ "$(wc -l <<<"$pids")" -eq 1 ] || fail "message boxes from several processes: $pids"
  grep -aE "$own" "$1" | grep -a "^$pids:" |
    sed -E 's/^[0-9a-f]+:[0-9a-f]+:Call //; s/ ret=[0-9a-f]+$//'
}

# messages_of CALLS: "Caption: text" for each message box, in order; checks
# the owner window (none) and the style (error icon or information icon).
messages_of() {
  local line owner text caption style
  while IFS= read -r line; do
    [[ "$line" =~ ^user32\.MessageBoxW\(([0-9a-f]+),[0-9a-f]+\ L\"(.*)\",[0-9a-f]+\ L\"(.*)\",([0-9a-f]+)\)$ ]] ||
      continue
    owner=${BASH_REMATCH[1]} text=${BASH_REMATCH[2]} caption=${BASH_REMATCH[3]}
    style=${BASH_REMATCH[4]: -8}
    [ $((16#$owner)) -eq 0 ] || fail "message box with an owner window: $line"
    case "$caption:$style" in
      Error:00000010 | Success:00000040) ;;
      *) fail "caption and style do not match: $line" ;;
    esac
    printf '%s: %s\n' "$caption" "$text"
  done <"$1"
}

# check_api_calls CALLS COM: the arguments the program passes to Windows,
# and COM around the run when COM is "yes" (ole32 there), none when "no".
check_api_calls() {
  awk -F'[(),]' -v local_machine="$LOCAL_MACHINE" -v com="$2" '
    function low(v) { return length(v) > 8 ? substr(v, length(v) - 7) : v }
    function bad(why) { print "bad call (" why "): " $0; failed = 1 }
    function wrong(why) { print why; failed = 1 }
    { name = $1; sub(/^[A-Za-z0-9]+\./, "", name); calls[++n] = name }
    name == "LoadLibraryW" && /L"ole32\.dll"/ && !ole32 { ole32 = n }
    name == "CoInitializeEx" {
      init = n
      if (!(low($2) == "00000000" && low($3) == "00000000")) bad("reserved and flags 0")
    }
    name == "CoUninitialize" { uninit = n }
    name ~ /^(GetModuleFileNameW|CreateFileW|Reg[A-Za-z]+|MessageBoxW)$/ && !run { run = n }
    name == "GetModuleFileNameW" && !($2 + 0 == 0 && low($4) == "00000104") { bad("own module, 260 units") }
    name == "RegCreateKeyExW" {
      ++creates
      if ($2 != local_machine) bad("parent HKEY_LOCAL_MACHINE")
      if (low($4) != "00000000" || $5 != "00000000") bad("reserved 0, no class")
      if (low($6) != "00000000") bad("options 0")
      if (low($7) != "0002001f") bad("access KEY_READ|KEY_WRITE")
      if ($8 != "00000000" || $10 != "00000000") bad("no security, no disposition")
    }
    name == "RegSetValueExW" {
      if (low($4) != "00000000") bad("reserved 0")
      type = low($5)
      if (type != "00000001" && type != "00000004") bad("REG_SZ or REG_DWORD")
      if (type == "00000004" && low($7) != "00000004") bad("a DWORD is 4 bytes")
    }
    name == "RegCloseKey" { ++closes }
    name == "MessageBoxW" { last_box = n }
    END {
      if (ole32 != 1) wrong("ole32 is not looked for first")
      if (com == "yes") {
        if (!init || init > run) wrong("COM is not initialised before the run")
        if (uninit != n || last_box != n - 1) wrong("COM is not released last, after the message")
      } else if (init || uninit) {
        wrong("COM called without ole32")
      } else if (last_box != n) {
        wrong("the message is not the last call")
      }
      if (creates != closes) wrong(creates " keys opened, " closes " closed")
      exit failed
    }' "$1" || fail "calls into Windows (trace: $1)"
}
