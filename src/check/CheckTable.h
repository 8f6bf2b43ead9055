// Every check of tarnwell-check as one row, the way clang declares its
// diagnostics: the enumerator, the stable name (printed as "[-Wname]" and
// used by -Wno-name, -Werror=name, --explain, the disable directive and
// the SARIF rules), the level as reported unless an option changes it,
// whether it can be turned off (Optional) or not, because the installer
// fails on it (InstallerFails) or no file is written (NoFile), what a
// finding follows from (From; Lines: the lines a misread header or a
// commented-out one misreads; Section: the section it misreads) and the
// message of a finding. Its explanation (one line of meaning, what the
// installer does, a wrong and a right example, the fix) is a document of
// its own, explain/<name>.txt, built into the program. The names are an
// interface: scripts and SARIF consumers keep them, so a name is never
// reused for something else.
//
// Then every other text that a finding says, as TEXT(Id, Message) rows:
// its notes, and the parts of messages that several checks share. Call
// sites pass arguments only.
//
// Include it with CHECK(Id, Name, Level, Fixed, From, Message) and
// TEXT(Id, Message) defined; it undefines both
// at its end. A message puts the arguments of its finding where it says %0
// to %9, and where it says %{a|b|c}N the alternative that argument N
// numbers (0, 1, 2); alternatives hold no braces of their own.
CHECK(Utf16File, "utf16-file", Error, Optional, Nothing,
      "the file begins like UTF-16 text (a byte-order mark or NUL bytes): "
      "the installer reads it byte by byte as 8-bit text, so its lines are "
      "not what they seem (a UTF-16 file holds no section the installer "
      "can see); save it as ASCII (or UTF-8) text")
CHECK(EmptyConfig, "empty-config", Error, Optional, Lines,
      "the file %{is empty: the installer reads no section|has no section "
      "header: the installer ignores every line}0, writes nothing and "
      "shows \"Configuration successfully written to the registry!\"")
CHECK(CrLineEnds, "cr-line-ends", Warning, Optional, Nothing,
      "carriage return without a line feed: the installer ends lines only "
      "at line feeds, so this line runs on to the next line feed (a file "
      "with carriage returns alone is one single line)")
CHECK(BeforeSection, "before-section", Warning, Optional, Lines,
      "%{key line|line}0 before the first section header: %{there are no "
      "global keys, the installer ignores it|the installer ignores it}0")
CHECK(IgnoredLine, "ignored-line", Warning, Optional, Nothing,
      "neither a comment, a section header nor a key=value line: the "
      "installer ignores it")
CHECK(MissingEquals, "missing-equals", Warning, Optional, Nothing,
      "\"=\" is missing after %0: the installer sees no key line and "
      "ignores it; write %1")
CHECK(UnclosedHeader, "unclosed-header", Warning, Optional, Nothing,
      "section header without \"]\": the installer %{opens no section and "
      "ignores the line|reads this as a key line with the unknown key %3 "
      "and ignores it}0%{|; the lines that follow still belong to the %2}1")
CHECK(MissingDll, "missing-dll", Error, InstallerFails, Nothing,
      "%{device section %1|[MODEM SETTINGS] section}0 has no \"DLL\" line: "
      "the installer refuses it, fails to read the "
      "file (\"Read configuration file failed!\") and writes nothing")
CHECK(ModemHeader, "modem-header", Warning, Optional, Nothing,
      "%{|blanks inside the brackets: }0this header opens a device section "
      "named %1, not a [MODEM SETTINGS] section: the installer writes a "
      "load-client key and the driver template for it, and no Unimodem "
      "keys; write [MODEM SETTINGS]")
CHECK(HeaderText, "header-text", Warning, Optional, Nothing,
      "text after \"]\" belongs to the section name: this header opens a "
      "device section named %0%{|, not a [MODEM SETTINGS] section}1")
CHECK(HeaderKey, "header-key", Note, Optional, Nothing,
      "the section name holds \"=\", so the installer also reads it as a "
      "key line of the new section")
CHECK(AnyDevice, "any-device", Warning, Optional, Section,
      "this section writes %0: without \"VID\" and \"IFC_Class\" the USB "
      "driver loader offers the driver every USB device; give \"VID\" and "
      "\"PID\" (and \"IFC_Class\" to serve one interface)")
CHECK(DefaultLevel, "default-level", Warning, Optional, Section,
      "this section writes %0: the %{device group is \"Default\" (no "
      "\"VID\"), so the driver is offered the interfaces of %2 of every "
      "USB device; give \"VID\" and \"PID\"|interface group is \"Default\" "
      "(no \"IFC_Class\"), so the driver is offered every interface %2; "
      "give \"IFC_Class\" to serve one interface}1")
CHECK(IgnoredId, "ignored-id", Warning, Optional, Section,
      "%{\"PID\" without \"VID\": the load-client key ignores the product "
      "ID and uses the device group \"Default\"|\"IFC_SubClass\" without "
      "\"IFC_Class\": the load-client key ignores it and uses the interface "
      "group \"Default\"|\"IFC_Protocol\" without \"IFC_SubClass\": the "
      "load-client key ignores the protocol}0")
CHECK(MissingId, "missing-id", Warning, Optional, Section,
      "%{[MODEM SETTINGS] section|interfaces to disable in a section}1 "
      "without \"%0\": %{its interface key is|their keys are}1 named with "
      "%0_0000")
CHECK(TooManyDisables, "too-many-disables", Warning, Optional, Nothing,
      "this section already lists 128 interfaces to disable: the installer "
      "ignores this \"IFC_Disable\" line%{| and %1 more after it}0")
CHECK(UnknownKey, "unknown-key", Warning, Optional, Nothing,
      "unknown key %0: the installer ignores the line%{|; did you mean %2?|; "
      "%2, which it resembles, is a key of device sections|; %2, which it "
      "resembles, is a key of [MODEM SETTINGS] sections}1")
CHECK(WrongSectionKey, "wrong-section-key", Warning, Optional, Lines,
      "%0 %{has no effect in a device section (it names the interface of a "
      "modem); the installer ignores the line|is a key of [MODEM SETTINGS] "
      "sections: in a device section the installer ignores it|is a key of "
      "device sections: in a [MODEM SETTINGS] section the installer ignores "
      "it}1")
CHECK(InitNumber, "init-number", Warning, Optional, Nothing,
      "%{\"Init\" needs the number of the init string, Init1 to Init5 "
      "for the device's Unimodem: the installer ignores the line|%1 has a "
      "leading zero, so it names no init string: the installer ignores the "
      "line; write \"Init%2\"|the installer knows Init0 to Init15, and the "
      "device's Unimodem sends Init1 to Init5: the installer ignores %1}0")
CHECK(RepeatedKey, "repeated-key", Warning, Optional, Lines,
      "%0 is given again in this section: this later line replaces the "
      "value of line %1")
CHECK(EmptyKey, "empty-key", Warning, Optional, Nothing,
      "nothing before \"=\": the installer finds no key and ignores the "
      "line")
CHECK(BadNumber, "bad-number", Warning, Optional, Nothing,
      "%{empty value|cannot read %1 as a hexadecimal number|%1 does not fit "
      "in %2 bits (the largest is %3)}0: %{the installer disables no "
      "interface for this line|the installer keeps %5 at %6 and still writes "
      "it|the installer keeps %5 at %6 and still uses it in the key names}4")
CHECK(HexCount, "hex-count", Warning, Optional, Nothing,
      "%0 is read as hexadecimal: %1 is %2; write 0x%1 to say so, or %3 if "
      "you meant decimal %1")
CHECK(DecimalId, "decimal-id", Warning, Optional, Nothing,
      "%0 is read as hexadecimal: %1; if it is the decimal %2 that lsusb "
      "and descriptor dumps print, write %3")
CHECK(TruncatedNumber, "truncated-number", Warning, Optional, Nothing,
      "%0 keeps only the low %1 bits: %2 is stored as %3")
CHECK(IdDigits, "id-digits", Warning, Optional, Nothing,
      "%0 has %1 hexadecimal digits, more than the %2 of its field: %3")
CHECK(NegativeNumber, "negative-number", Warning, Optional, Nothing,
      "the \"-\" wraps around: the installer stores %0")
CHECK(NumberTrailingText, "number-trailing-text", Warning, Optional, Nothing,
      "the number ends here: the installer reads %0 as %1 and ignores %2")
CHECK(NumberComment, "number-comment", Note, Optional, Nothing,
      "the installer reads the number up to here and ignores the rest; "
      "comments go on lines of their own")
CHECK(EmptyDll, "empty-dll", Warning, Optional, Nothing,
      "empty \"DLL\" value: the installer accepts the section and writes "
      "an empty driver name")
CHECK(DecimalText, "decimal-text", Warning, Optional, Nothing,
      "%0 is not a decimal number: the installer writes the text %1, which a "
      "telephony provider that reads the text as a rate cannot read")
CHECK(EmptyText, "empty-text", Warning, Optional, Nothing,
      "empty %0 value: the installer writes an empty %0 into the modem's "
      "Unimodem key")
CHECK(InlineComment, "inline-comment", Warning, Optional, Nothing,
      "\"%0\" after the value is not a comment: the installer writes %1 as "
      "%2; comments go on lines of their own")
CHECK(HighByte, "high-byte", Warning, Optional, Nothing,
      "byte above 0x7F: the installer turns every byte into one character "
      "(no code page), so %0 is written as %1")
CHECK(ControlByte, "control-byte", Warning, Optional, Nothing,
      "control character %0 in %1: %{the installer writes it into the "
      "text, so the device gets %3|the installer's text ends at a NUL, so "
      "the device gets %3}2")
CHECK(QuotedValue, "quoted-value", Warning, Optional, Nothing,
      "the quotes are part of the value: the installer writes them into "
      "%0; write %1")
CHECK(TextCut, "text-cut", Warning, Optional, Nothing,
      "%0 holds at most %1 characters: the installer cuts the %2-character "
      "value here")
CHECK(MalformedGuid, "malformed-guid", Warning, Optional, Nothing,
      "malformed GUID: %{the value is empty|group %2 cannot be read, so "
      "groups %2 to 5 keep their previous values|group %2 cannot be read, so "
      "it keeps its previous value|the value ends after group %3, so groups "
      "%2 to 5 keep their previous values|the value ends after group %3, so "
      "it keeps its previous value|group %2 follows blanks instead of "
      "\"-\": the installer skips them and takes its first digit, %3, for "
      "the separator, so the group reads as %4|group %2 stops at %3, which "
      "the installer takes for the separator|group %2 has 1 digit instead of "
      "%4 and is read as %5|group %2 has %3 digits instead of %4 and is read "
      "as %5|group %2 has %3 digits instead of %4; only its last %4 are "
      "kept|group %2 has a sign or \"0x\"|%2 after the last group is "
      "ignored|group %2 has %3 digits, more than the 16 the installer reads "
      "of a number, and is read as %5}0; the installer writes \"IClass\" = "
      "%1")
CHECK(GuidSeparators, "guid-separators", Note, Optional, Nothing,
      "malformed GUID: the groups are not separated by single \"-\" "
      "characters; the installer writes \"IClass\" = %0")
CHECK(SharedTemplate, "shared-template", Warning, Optional, Nothing,
      "this section writes the same registry keys as the %1%{, which the "
      "installer writes later: what that section gives and this one does not "
      "applies to this one too: %3|, and the installer writes it later: its "
      "values replace %2|: what only the earlier section gave stays and "
      "applies to this one too: %3|, and the installer writes it later: its "
      "values replace %2; what only the earlier section gave stays and "
      "applies to this one too: %3}0")
CHECK(DisabledModem, "disabled-modem", Warning, Optional, Nothing,
      "the %0 disables this modem's interface: the installer writes "
      "\"Disable\" = 1 into %1, the key that names the modem's template, "
      "so the CDC driver leaves the modem alone")
CHECK(ExistingValue, "existing-value", Warning, Optional, Nothing,
      "the registry %0 already holds values in keys this section writes, "
      "and they stay and apply to it: %1")
CHECK(DesktopName, "desktop-name", Warning, Optional, Nothing,
      "%{%1 is a desktop Windows driver: Windows CE loads drivers from DLLs, "
      "never from .sys files, so the device gets %2 = %1 and no driver|%1 is "
      "the desktop Windows telephony provider; the one of Windows CE is "
      "\"unimodem.dll\", so the device gets %2 = %1 and no provider for the "
      "modem|%1 is the setup class of desktop Windows modems, not an interface "
      "class: the device gets %2 = %1, which names no interface of the CDC "
      "driver}0")
CHECK(InfToken, "inf-token", Warning, Optional, Nothing,
      "%0 is a string token of a desktop INF file, which the installer "
      "writes as it stands: the device gets %1 = %2, not the text the token "
      "stands for")
CHECK(ModemPrefix, "modem-prefix", Warning, Optional, Nothing,
      "in a [MODEM SETTINGS] section \"Prefix\" is the prefix of the "
      "modem's commands (Windows CE's sample has \"AT\"): the installer "
      "writes \"Prefix\" = %0 under Unimodem\\Settings, so every command the device sends "
      "the modem starts with it; the port's \"Prefix\" = \"COM\" needs no line")
CHECK(ZeroId, "zero-id", Warning, Optional, Nothing,
      "%0 = 0x0000 is a placeholder, not an ID: the installer writes %1, "
      "which matches no USB device")
CHECK(DecimalSuffix, "decimal-suffix", Warning, Optional, Nothing,
      "%0 is read as hexadecimal: %1 is %2, for the \"d\" that marks a "
      "decimal number elsewhere is a hexadecimal digit here; write %3 for "
      "decimal %4")
CHECK(ValueSyntax, "value-syntax", Warning, Optional, Nothing,
      "%{a \";\" at the end|an unbalanced double quote|a backslash at the "
      "end}0 is part of the value: the installer writes %1 as %2, whole")
CHECK(BaudRateType, "baud-rate-type", Warning, Optional, Nothing,
      "the installer writes %0 as the text %1 (REG_SZ), and Windows CE 5.0's "
      "Unimodem reads Config\\BaudRate only as a REG_DWORD: the text is "
      "ignored, and the modem is opened at its default rate")
CHECK(InvisibleByte, "invisible-byte", Warning, Optional, Nothing,
      "invisible character %0 (%{byte-order mark|no-break space|soft "
      "hyphen|zero-width space|zero-width non-joiner|zero-width joiner|narrow "
      "no-break space|word joiner}1): the installer reads its bytes like any "
      "other, so this line does not mean what it shows")
CHECK(CommentedHeader, "commented-header", Warning, Optional, Nothing,
      "a section header in a comment: the installer ignores the line, so the "
      "keys after it %{belong to the %1|come before any section and the "
      "installer ignores them}0")
CHECK(SameInterface, "same-interface", Warning, Optional, Section,
      "this section names the same %{device and interface group|interface}0 "
      "as the %1: the installer writes %2 for both, and the later section's "
      "values there replace the earlier's")
CHECK(UnwritableText, "unwritable-text", Error, NoFile, Nothing,
      "%{%0 would hold a control character (%2), which a reader of the file "
      "may take for the end of a line or of the file; no file is written: "
      "write the text in printable ASCII|%0 would hold a character outside "
      "ASCII (%2), and image builders and the CAB Wizard read the file in "
      "the build machine's code page; no file is written: write the text in "
      "printable ASCII|%0 would hold a character outside ASCII (%2), and the "
      "device reads a cabinet's texts in its ANSI code page; no file is "
      "written: write the text in printable ASCII|%0 = %2 lies above "
      "0x7FFFFFFF, where the CAB Wizard's documentation has an install fail; "
      "no file is written: --emit=cab carries it as it is|a cabinet holds at "
      "most 65,535 names of keys, and this section's key brings one more; no "
      "file is written|a cabinet holds at most 65,535 keys, and this "
      "section's brings one more; no file is written|a cabinet holds at "
      "most 65,535 values, and this one, %0, is one more; no file is "
      "written|%0 would hold a control character (%2), and the device shows "
      "a cabinet's texts as they are; no file is written: write the text in "
      "printable ASCII}1")
CHECK(ValuelessKey, "valueless-key", Note, Optional, Nothing,
      "the cabinet names %0 without a value, and no public description of "
      "the format promises that a device creates a key that holds none")
// What the device's own readers do with the keys (DeviceReaders.cpp): the
// USB driver loader, Unimodem and LoadLibrary; each explanation names the
// Windows CE 5.0 page it comes from.
CHECK(InterfaceClass, "interface-class", Warning, Optional, Section,
      "this section writes %0: %{its interface group (%1) is the "
      "\"Interface Association\" triple of a device descriptor, which no "
      "interface descriptor carries, so the USB driver loader matches nothing "
      "with it and never loads the driver|%1 is the CDC Data interface, which "
      "is no serial function of its own: a serial function is loaded for its "
      "Communication interface (class 0x02), and the data interface follows "
      "it|%1 is %2, not a serial function: the USB driver loader offers that "
      "interface to the CDC serial driver, which cannot serve it}3; give the "
      "serial function's Communication interface (IFC_Class = 0x02, "
      "IFC_SubClass = 0x02, IFC_Protocol = 0x01)")
CHECK(UnloadedModem, "unloaded-modem", Warning, Optional, Section,
      "no device section loads a driver for this modem's device, VID %0, PID "
      "%1: no key under Drivers\\USB\\LoadClients names %2, %3 or Default, so "
      "the modem gets no driver and never appears; add a device section with "
      "VID = %0, PID = %1, IFC_Class = 0x02, IFC_SubClass = 0x02 and "
      "IFC_Protocol = 0x01")
CHECK(InitSequence, "init-sequence", Warning, Optional, Nothing,
      "%0 is never sent: %{Unimodem numbers its init strings from 1|Unimodem "
      "stops at the first missing number, and \"Init%1\" is missing|Windows "
      "CE 5.0's Unimodem reads at most five init strings, \"1\" to \"5\"}2")
CHECK(InitTerminator, "init-terminator", Warning, Optional, Nothing,
      "%0 does not end with <cr>: Unimodem sends %1 as written and adds no "
      "terminator, so the modem waits for the end of the command, no OK "
      "comes and the init fails; write %2")
CHECK(ModemToken, "modem-token", Warning, Optional, Nothing,
      "%{%0|<#> outside \"CallSetupFailTimeout\"}1 reaches the modem as it "
      "stands in %2: Unimodem expands only <cr>, <lf> and <hxx> (in any "
      "letter case), and <#> only in \"CallSetupFailTimeout\", where it "
      "stands for the number")
CHECK(DialPrefix, "dial-prefix", Warning, Optional, Nothing,
      "Unimodem sends \"DialPrefix\" after \"Prefix\": with Prefix = %0 and "
      "DialPrefix = %1 the modem gets %2; write DialPrefix = %3")
CHECK(NullModem, "null-modem", Warning, Optional, Section,
      "%{no \"DeviceType\": Unimodem's default, 0,|\"DeviceType\" = 0}0 is "
      "the null modem, which Unimodem neither initialises nor dials; a USB "
      "modem wants a modem type: 1 external, 2 internal, 3 PC Card")
CHECK(LongFriendlyName, "long-friendly-name", Warning, Optional, Nothing,
      "%0 has %1 characters, more than the 63 of Unimodem's device name: the "
      "device shows the port's name in its place")
CHECK(DriverPath, "driver-path", Warning, Optional, Nothing,
      "%{%0 holds \"/\": a path needs backslashes, so LoadLibrary finds no "
      "file for %1|%0 is a path without an extension: LoadLibrary adds "
      "\".dll\" only to a bare name, so it finds no file for %1}2; write %3")
CHECK(DecimalKeyId, "decimal-key-id", Warning, Optional, Nothing,
      "%0 = %1 is decimal, as the name of a load-client key gives IDs (%2): "
      "the installer reads numbers as hexadecimal, so the device never gets "
      "%3; write %0 = %3")
#undef CHECK

TEXT(Section, "%{device section %1 (line %2)|[MODEM SETTINGS] section at "
     "line %2}0")
TEXT(DeviceGets, "the installer %{writes vendor|writes product|writes "
     "class|writes subclass|writes protocol|writes interface|disables "
     "interface|stores}0 %1")
TEXT(DeviceGroup, "%{of every product of vendor %1|of the device VID %1, "
     "PID %2}0")
TEXT(InterfaceGroup, "class %0%{|, subclass %2|, subclass %2, protocol %3}1")
TEXT(StopsHere,
     "the section ends at this header, where the installer stops reading")
TEXT(EarlierLine, "the earlier %0 line")
TEXT(DisablingSection, "the device section that disables it")
#undef TEXT
