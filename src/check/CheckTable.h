// Every check of tarnwell-check as one row, the way clang declares its
// diagnostics: the enumerator, the stable name (printed as "[-Wname]" and
// used by -Wno-name, -Werror=name, --explain, the disable directive and
// the SARIF rules), the level as reported unless an option changes it,
// whether it can be turned off (Optional) or not, because the installer
// fails on it (InstallerFails) or no file is written (NoFile), what a
// finding follows from (From; Lines: the lines a misread header or a
// commented-out one misreads; Section: the section it misreads), the
// message of a finding, one line of meaning, what the installer does, a
// wrong and a right example, and the fix. The names are an interface:
// scripts and SARIF consumers keep them, so a name is never reused for
// something else.
//
// Then every other text that a finding says, as TEXT(Id, Message) rows:
// its notes, and the parts of messages that several checks share. Call
// sites pass arguments only.
//
// Include it with CHECK(Id, Name, Level, Fixed, From, Message, Summary,
// Does, Wrong, Right, Fix) and TEXT(Id, Message) defined; it undefines both
// at its end. A message puts the arguments of its finding where it says %0
// to %9, and where it says %{a|b|c}N the alternative that argument N
// numbers (0, 1, 2); alternatives hold no braces of their own.
CHECK(Utf16File, "utf16-file", Error, Optional, Nothing,
      "the file begins like UTF-16 text (a byte-order mark or NUL bytes): "
      "the installer reads it byte by byte as 8-bit text, so its lines are "
      "not what they seem (a UTF-16 file holds no section the installer "
      "can see); save it as ASCII (or UTF-8) text",
      "the file is UTF-16 text, which the installer reads as no section at "
      "all",
      "The installer reads the file byte by byte, with no code page. A file "
      "saved as UTF-16 (\"Unicode\" in Notepad) has a NUL byte beside every "
      "character, so no line starts with \"[\": the installer finds no "
      "section, writes nothing and still shows \"Configuration successfully "
      "written to the registry!\".",
      "(the file saved by Notepad as \"Unicode\")",
      "(the same file saved as \"ANSI\" or \"UTF-8\")",
      "Save the file as 8-bit text (ANSI) or UTF-8; a UTF-8 byte-order mark "
      "is skipped.")
CHECK(EmptyConfig, "empty-config", Error, Optional, Lines,
      "the file %{is empty: the installer reads no section|has no section "
      "header: the installer ignores every line}0, writes nothing and "
      "shows \"Configuration successfully written to the registry!\"",
      "the file is empty or has no section: the installer writes nothing and "
      "reports success",
      "Only lines inside a section reach the installer. A file that is "
      "empty, or holds only comments and lines without a \"[section]\" "
      "header, reads as an empty configuration: nothing is written, and the "
      "installer shows \"Configuration successfully written to the "
      "registry!\".",
      "DLL = usbser.dll\nVID = 0x0525\nPID = 0xA4A7",
      "[Acme serial]\nDLL = usbser.dll\nVID = 0x0525\nPID = 0xA4A7",
      "Put the keys under a section header: [MODEM SETTINGS] for a modem, "
      "any other name for a device.")
CHECK(CrLineEnds, "cr-line-ends", Warning, Optional, Nothing,
      "carriage return without a line feed: the installer ends lines only "
      "at line feeds, so this line runs on to the next line feed (a file "
      "with carriage returns alone is one single line)",
      "carriage returns without line feeds join lines into one",
      "The installer ends lines only at line feeds. A carriage return alone "
      "(old Macintosh line ends) does not end a line, so the text after it "
      "joins the same line: a header followed by keys becomes one long "
      "section name, and the keys are lost.",
      "[Device]<CR>DLL = usbser.dll<CR>",
      "[Device]<CR><LF>DLL = usbser.dll<CR><LF>",
      "Save the file with Windows (CR LF) or Unix (LF) line ends.")
CHECK(BeforeSection, "before-section", Warning, Optional, Lines,
      "%{key line|line}0 before the first section header: %{there are no "
      "global keys, the installer ignores it|the installer ignores it}0",
      "lines before the first section header are ignored",
      "Lines before the first section header reach no section. There are no "
      "global keys: the installer ignores these lines without notice.",
      "DLL = usbser.dll\n[Acme serial]\nVID = 0x0525",
      "[Acme serial]\nDLL = usbser.dll\nVID = 0x0525",
      "Move the lines below the header of the section they belong to.")
CHECK(IgnoredLine, "ignored-line", Warning, Optional, Nothing,
      "neither a comment, a section header nor a key=value line: the "
      "installer ignores it",
      "a line that is no comment, header or key=value line is ignored",
      "Inside a section, a line that is not empty, no comment, no header "
      "and holds no \"=\" means nothing to the installer; it is ignored "
      "without notice.",
      "[Acme serial]\nserial function of the Acme gadget\nDLL = usbser.dll",
      "[Acme serial]\n; serial function of the Acme gadget\nDLL = usbser.dll",
      "Make remarks comments (start the line with \";\" or \"#\"), or write "
      "the key with \"=\".")
CHECK(MissingEquals, "missing-equals", Warning, Optional, Nothing,
      "\"=\" is missing after %0: the installer sees no key line and "
      "ignores it; write %1",
      "a key written without \"=\" is ignored",
      "A key line needs \"=\" between key and value. With a colon or blanks "
      "instead, the installer sees no key line and ignores it: the key is "
      "never set.",
      "GUID: {CC5195AC-BA49-48a0-BE17-DF6D1B0173DD}\nIFC_Disable 0x03",
      "GUID = {CC5195AC-BA49-48a0-BE17-DF6D1B0173DD}\nIFC_Disable = 0x03",
      "Write \"=\" between the key and its value.")
CHECK(UnclosedHeader, "unclosed-header", Warning, Optional, Nothing,
      "section header without \"]\": the installer %{opens no section and "
      "ignores the line|reads this as a key line with the unknown key %3 "
      "and ignores it}0%{|; the lines that follow still belong to the %2}1",
      "a header without \"]\" opens no section",
      "A header needs \"]\". \"[Device\" without it opens no section: the "
      "line is ignored (or, when it holds \"=\", read as a key line with an "
      "unknown key), and the lines after it still belong to the section "
      "before.",
      "[Second device\nDLL = usbcdc2.dll", "[Second device]\nDLL = usbcdc2.dll",
      "Close the header with \"]\".")
CHECK(MissingDll, "missing-dll", Error, InstallerFails, Nothing,
      "%{device section %1|[MODEM SETTINGS] section}0 has no \"DLL\" line: "
      "the installer refuses it, fails to read the "
      "file (\"Read configuration file failed!\") and writes nothing",
      "a section without \"DLL\" makes the installer fail to read the file",
      "Every section must have a \"DLL\" line. When a section without one "
      "ends, the installer refuses it, stops reading, shows \"Read "
      "configuration file failed!\" and writes nothing at all, not even the "
      "complete sections before it.",
      "[MODEM SETTINGS]\nTSP = unimodem.dll\nFriendlyName = Acme modem",
      "[MODEM SETTINGS]\nDLL = usbser.dll\nTSP = unimodem.dll\n"
      "FriendlyName = Acme modem",
      "Give every section its \"DLL\" line, or remove the section.")
CHECK(ModemHeader, "modem-header", Warning, Optional, Nothing,
      "%{|blanks inside the brackets: }0this header opens a device section "
      "named %1, not a [MODEM SETTINGS] section: the installer writes a "
      "load-client key and the driver template for it, and no Unimodem "
      "keys; write [MODEM SETTINGS]",
      "a near miss of [MODEM SETTINGS] opens a device section",
      "Only a header whose name is exactly MODEM SETTINGS, in any letter "
      "case, opens a modem section. Any other spelling ([MODEM_SETTINGS], "
      "[Modem Setting], [ModemSettings], blanks inside the brackets) opens a "
      "device section: the installer writes a load-client key and the driver "
      "template for it and no Unimodem key at all, also when the section "
      "holds only a \"DLL\" line.",
      "[MODEM_SETTINGS]\nDLL = usbser.dll\nFriendlyName = Acme modem",
      "[MODEM SETTINGS]\nDLL = usbser.dll\nFriendlyName = Acme modem",
      "Write the header as [MODEM SETTINGS]: one blank between the words and "
      "nothing else inside the brackets.")
CHECK(HeaderText, "header-text", Warning, Optional, Nothing,
      "text after \"]\" belongs to the section name: this header opens a "
      "device section named %0%{|, not a [MODEM SETTINGS] section}1",
      "text after \"]\" belongs to the section name",
      "The section name is the header line without the brackets at its two "
      "ends, so text after \"]\" (a comment, say) becomes part of the name: "
      "\"[MODEM SETTINGS] ; the modem\" names a device section \"MODEM "
      "SETTINGS] ; the modem\".",
      "[MODEM SETTINGS] ; the modem", "; the modem\n[MODEM SETTINGS]",
      "Put comments on lines of their own.")
CHECK(HeaderKey, "header-key", Note, Optional, Nothing,
      "the section name holds \"=\", so the installer also reads it as a "
      "key line of the new section",
      "a section name that holds \"=\" is also read as a key line",
      "After a header the installer reads the section name as a key line of "
      "the new section too, so a name that holds \"=\" sets a key: "
      "\"[DLL=a.dll]\" opens a section named \"DLL=a.dll\" that has its "
      "\"DLL\" as well.",
      "[DLL=usbser.dll]", "[Acme serial]\nDLL = usbser.dll",
      "Keep \"=\" out of section names and give keys on lines of their own.")
CHECK(AnyDevice, "any-device", Warning, Optional, Section,
      "this section writes %0: without \"VID\" and \"IFC_Class\" the USB "
      "driver loader offers the driver every USB device; give \"VID\" and "
      "\"PID\" (and \"IFC_Class\" to serve one interface)",
      "a device section without VID and IFC_Class offers the driver every "
      "USB device",
      "The load-client key of a device section is Drivers\\USB\\LoadClients"
      "\\<device group>\\Default\\<interface group>\\USBCDC_Driver. Without "
      "\"VID\" the device group is \"Default\", without \"IFC_Class\" the "
      "interface group: a section with neither writes LoadClients\\Default"
      "\\Default\\Default\\USBCDC_Driver, and the USB driver loader offers "
      "the CDC driver every USB device that no other driver takes: "
      "keyboards, storage, anything.",
      "[Acme serial]\nDLL = usbser.dll",
      "[Acme serial]\nDLL = usbser.dll\nVID = 0x0525\nPID = 0xA4A7\n"
      "IFC_Class = 0x02",
      "Give \"VID\" and \"PID\" of the device, and \"IFC_Class\" (with "
      "\"IFC_SubClass\" and \"IFC_Protocol\") to serve one interface.")
CHECK(DefaultLevel, "default-level", Warning, Optional, Section,
      "this section writes %0: the %{device group is \"Default\" (no "
      "\"VID\"), so the driver is offered the interfaces of %2 of every "
      "USB device; give \"VID\" and \"PID\"|interface group is \"Default\" "
      "(no \"IFC_Class\"), so the driver is offered every interface %2; "
      "give \"IFC_Class\" to serve one interface}1",
      "a device section without VID, or without IFC_Class, leaves that level "
      "\"Default\"",
      "When only one of the two groups of the load-client key is given, the "
      "other is \"Default\": without \"VID\" the driver is offered the given "
      "interfaces of every USB device; without \"IFC_Class\" it is offered "
      "every interface of the given device.",
      "[Acme serial]\nDLL = usbser.dll\nIFC_Class = 0x02\nIFC_SubClass = 0x02",
      "[Acme serial]\nDLL = usbser.dll\nVID = 0x0525\nPID = 0xA4A7\n"
      "IFC_Class = 0x02\nIFC_SubClass = 0x02",
      "Give the missing level, or turn this check off (-Wno-default-level) "
      "where the driver is meant for every such device or interface.")
CHECK(IgnoredId, "ignored-id", Warning, Optional, Section,
      "%{\"PID\" without \"VID\": the load-client key ignores the product "
      "ID and uses the device group \"Default\"|\"IFC_SubClass\" without "
      "\"IFC_Class\": the load-client key ignores it and uses the interface "
      "group \"Default\"|\"IFC_Protocol\" without \"IFC_SubClass\": the "
      "load-client key ignores the protocol}0",
      "PID without VID, or a subclass or protocol without the level above, "
      "is left out of the key",
      "The load-client key names the product only together with the vendor, "
      "the subclass only with the class and the protocol only with the "
      "subclass: \"PID\" without \"VID\", \"IFC_SubClass\" without "
      "\"IFC_Class\" and \"IFC_Protocol\" without \"IFC_SubClass\" are read "
      "and then left out.",
      "PID = 0xA4A7\nIFC_SubClass = 0x02",
      "VID = 0x0525\nPID = 0xA4A7\nIFC_Class = 0x02\nIFC_SubClass = 0x02",
      "Give the level above it too.")
CHECK(MissingId, "missing-id", Warning, Optional, Section,
      "%{[MODEM SETTINGS] section|interfaces to disable in a section}1 "
      "without \"%0\": %{its interface key is|their keys are}1 named with "
      "%0_0000",
      "interface keys of a section without VID or PID are named with 0000",
      "Interface keys are named Drivers\\USB\\ClientDrivers\\USBCDC_Config"
      "\\VID_xxxx&PID_xxxx&IFC_xx. A modem section, or a device section with "
      "\"IFC_Disable\" lines, that lacks \"VID\" or \"PID\" gets keys named "
      "with 0000 there, which matches no real device.",
      "[MODEM SETTINGS]\nDLL = usbser.dll\nIFC = 0x02",
      "[MODEM SETTINGS]\nDLL = usbser.dll\nVID = 0x12D1\nPID = 0x1001\n"
      "IFC = 0x02",
      "Give \"VID\" and \"PID\".")
CHECK(TooManyDisables, "too-many-disables", Warning, Optional, Nothing,
      "this section already lists 128 interfaces to disable: the installer "
      "ignores this \"IFC_Disable\" line%{| and %1 more after it}0",
      "a device section keeps at most 128 IFC_Disable lines",
      "A device section keeps at most 128 interfaces to disable. Later "
      "\"IFC_Disable\" lines change nothing, and those interfaces stay "
      "enabled.",
      "(129 \"IFC_Disable\" lines in one section)",
      "IFC_Disable = 0x03\nIFC_Disable = 0x04",
      "List each interface once; no device needs more than 128.")
CHECK(UnknownKey, "unknown-key", Warning, Optional, Nothing,
      "unknown key %0: the installer ignores the line%{|; did you mean %2?|; "
      "%2, which it resembles, is a key of device sections|; %2, which it "
      "resembles, is a key of [MODEM SETTINGS] sections}1",
      "a key that names nothing is ignored",
      "Keys are matched as a whole, in any letter case. A key that names "
      "nothing, a misspelling say, is ignored without notice, and the value "
      "it was meant to set is never written.",
      "BuferCountIn = 0x8", "BufferCountIn = 0x8",
      "Spell the key as the README lists it; the message suggests the "
      "nearest key it resembles.")
CHECK(WrongSectionKey, "wrong-section-key", Warning, Optional, Lines,
      "%0 %{has no effect in a device section (it names the interface of a "
      "modem); the installer ignores the line|is a key of [MODEM SETTINGS] "
      "sections: in a device section the installer ignores it|is a key of "
      "device sections: in a [MODEM SETTINGS] section the installer ignores "
      "it}1",
      "a key of the other kind of section is ignored",
      "Device sections and [MODEM SETTINGS] sections know different keys. A "
      "modem key in a device section (\"TSP\", \"FriendlyName\", \"IFC\") "
      "or a device key in a modem section (\"GUID\", \"IFC_Class\") is "
      "ignored.",
      "[Acme serial]\nDLL = usbser.dll\nFriendlyName = Acme modem",
      "[MODEM SETTINGS]\nDLL = usbser.dll\nFriendlyName = Acme modem",
      "Move the key into a section of the kind that knows it.")
CHECK(InitNumber, "init-number", Warning, Optional, Nothing,
      "%{\"Init\" needs the number of the init string, Init1 to Init5 "
      "for the device's Unimodem: the installer ignores the line|%1 has a "
      "leading zero, so it names no init string: the installer ignores the "
      "line; write \"Init%2\"|the installer knows Init0 to Init15, and the "
      "device's Unimodem sends Init1 to Init5: the installer ignores %1}0",
      "init strings are numbered from 1, without gaps, at most five",
      "The installer knows the keys Init0 to Init15, numbered in decimal "
      "without leading zeros: \"Init\", \"Init01\" and \"Init16\" name no "
      "init string and are ignored. On the device, Unimodem sends them "
      "numbered from 1 and stops at the first gap (Windows CE 5.0, \"Init "
      "Key\"), and Windows CE 5.0's Unimodem reads at most five: Init1 to "
      "Init5 are the ones that reach the modem (-Winit-sequence).",
      "Init01 = ATE0<cr>", "Init1 = ATE0<cr>",
      "Number the init strings from 1, without leading zeros or gaps, at "
      "most five.")
CHECK(RepeatedKey, "repeated-key", Warning, Optional, Lines,
      "%0 is given again in this section: this later line replaces the "
      "value of line %1",
      "a key given twice in a section keeps the later value",
      "When a section gives a key twice, the later line replaces the value "
      "of the earlier one; only \"IFC_Disable\" lines add up.",
      "BufferCountOut = 0x8\nBufferCountOut = 0x10", "BufferCountOut = 0x10",
      "Keep one line per key.")
CHECK(EmptyKey, "empty-key", Warning, Optional, Nothing,
      "nothing before \"=\": the installer finds no key and ignores the "
      "line",
      "a line that starts with \"=\" is ignored",
      "The key is the text before \"=\". A line that starts with \"=\" has "
      "an empty key, which names nothing: the installer ignores it.",
      "= usbser.dll", "DLL = usbser.dll", "Write the key before \"=\".")
CHECK(BadNumber, "bad-number", Warning, Optional, Nothing,
      "%{empty value|cannot read %1 as a hexadecimal number|%1 does not fit "
      "in %2 bits (the largest is %3)}0: %{the installer disables no "
      "interface for this line|the installer keeps %5 at %6 and still writes "
      "it|the installer keeps %5 at %6 and still uses it in the key names}4",
      "a number that cannot be read keeps the field's previous value",
      "A number that cannot be read (no hexadecimal digit, or too large: "
      "above 0xFFFF for \"VID\" and \"PID\", above 0xFFFFFFFF for the "
      "others) leaves its field as it was, 0 unless an earlier line set it, "
      "and the key still counts as given: the value is written, or used in "
      "key names, all the same. An \"IFC_Disable\" line that cannot be read "
      "disables nothing.",
      "VID = 12345\nBufferCountIn = eight", "VID = 0x1234\nBufferCountIn = 0x8",
      "Write a hexadecimal number that fits: up to 4 digits for \"VID\" and "
      "\"PID\", 2 for classes and interfaces, 8 for the others.")
CHECK(HexCount, "hex-count", Warning, Optional, Nothing,
      "%0 is read as hexadecimal: %1 is %2; write 0x%1 to say so, or %3 if "
      "you meant decimal %1",
      "a count written in decimal digits is read as hexadecimal",
      "Every number in the file is hexadecimal, with or without \"0x\": "
      "\"BufferCountIn = 10\" gives sixteen buffers, not ten.",
      "BufferCountIn = 10", "BufferCountIn = 0xA",
      "Write numbers with \"0x\", so that nobody reads them as decimal; "
      "convert decimal numbers to hexadecimal first.")
CHECK(DecimalId, "decimal-id", Warning, Optional, Nothing,
      "%0 is read as hexadecimal: %1; if it is the decimal %2 that lsusb "
      "and descriptor dumps print, write %3",
      "a class or interface number in decimal digits is read as hexadecimal",
      "Class, subclass and protocol numbers and interface numbers "
      "(\"IFC_Disable\", \"IFC\") are hexadecimal like every number of the "
      "file. Tools such as lsusb print them in decimal (\"bInterfaceClass 10 "
      "CDC Data\"), so \"IFC_Class = 10\" copied from there means 0x10, not "
      "0x0A. And 0x0A, the CDC Data interface, is not what a device section "
      "names either: a serial function is loaded for its Communication "
      "interface, class 0x02 (-Winterface-class).",
      "IFC_Class = 10", "IFC_Class = 0x02",
      "Write these numbers with \"0x\"; convert a number taken from a "
      "decimal listing.")
CHECK(TruncatedNumber, "truncated-number", Warning, Optional, Nothing,
      "%0 keeps only the low %1 bits: %2 is stored as %3",
      "an 8-bit field keeps only the low 8 bits of the number",
      "Class, subclass, protocol and interface numbers keep only their low 8 "
      "bits: \"IFC_Class = 102\" is stored as 0x02.",
      "IFC_Class = 102", "IFC_Class = 0x02", "Write a number up to 0xFF.")
CHECK(IdDigits, "id-digits", Warning, Optional, Nothing,
      "%0 has %1 hexadecimal digits, more than the %2 of its field: %3",
      "an ID or 8-bit number written with more digits than its field holds",
      "Vendor and product IDs have four hexadecimal digits, class, "
      "subclass, protocol and interface numbers two. A longer number is read "
      "all the same, leading zeros included, and the field keeps what it "
      "can: \"VID = 0x05250\", a typo for 0x0525, writes vendor 0x5250, and "
      "\"IFC_Class = 0x020\" class 0x20.",
      "VID = 0x05250\nIFC_Class = 0x020", "VID = 0x0525\nIFC_Class = 0x02",
      "Write four digits for \"VID\" and \"PID\" and two for the 8-bit "
      "numbers, and check the number against the device's descriptor.")
CHECK(NegativeNumber, "negative-number", Warning, Optional, Nothing,
      "the \"-\" wraps around: the installer stores %0",
      "a \"-\" before a number wraps around",
      "A leading \"-\" is accepted and wraps around the field: \"VID = -1\" "
      "is stored as 0xFFFF.",
      "VID = -1", "VID = 0xFFFF", "Write the number itself, without a sign.")
CHECK(NumberTrailingText, "number-trailing-text", Warning, Optional, Nothing,
      "the number ends here: the installer reads %0 as %1 and ignores %2",
      "the installer reads a number up to its first non-digit and ignores "
      "the rest",
      "A number ends at the first character that is not a hexadecimal digit, "
      "and the rest of the value is ignored without notice: \"IFC_Disable = "
      "3x\" disables interface 3, \"VID = 12 34\" reads 0x12.",
      "IFC_Disable = 3x", "IFC_Disable = 0x3",
      "Write nothing but the number after \"=\".")
CHECK(NumberComment, "number-comment", Note, Optional, Nothing,
      "the installer reads the number up to here and ignores the rest; "
      "comments go on lines of their own",
      "a comment after a number is ignored only because the number ends",
      "A comment after a number (\"BufferCountIn = 0x8 ; eight buffers\") "
      "happens to be ignored, since the number ends at the blank; the same "
      "comment after a text value becomes part of the text.",
      "BufferCountIn = 0x8 ; eight buffers",
      "; eight buffers\nBufferCountIn = 0x8",
      "Put comments on lines of their own.")
CHECK(EmptyDll, "empty-dll", Warning, Optional, Nothing,
      "empty \"DLL\" value: the installer accepts the section and writes "
      "an empty driver name",
      "an empty DLL value writes an empty driver name",
      "A \"DLL\" line with nothing after \"=\" counts as given: the section "
      "is accepted and an empty driver name is written, so the driver loader "
      "has no driver to load.",
      "DLL =", "DLL = usbser.dll", "Name the driver DLL.")
CHECK(DecimalText, "decimal-text", Warning, Optional, Nothing,
      "%0 is not a decimal number: the installer writes the text %1, which a "
      "telephony provider that reads the text as a rate cannot read",
      "a BaudRate that is not a decimal number",
      "The installer writes \"BaudRate\" as the text of the file. A "
      "telephony provider that reads that text reads a decimal number: "
      "hexadecimal like the rest of the file (\"0x1C200\"), or any other "
      "text, is no rate to it. Whether a device's provider reads the text at "
      "all is another question (-Wbaud-rate-type).",
      "BaudRate = 0x1C200", "BaudRate = 115200",
      "Write the rate as a decimal number, without \"0x\".")
CHECK(EmptyText, "empty-text", Warning, Optional, Nothing,
      "empty %0 value: the installer writes an empty %0 into the modem's "
      "Unimodem key",
      "a text that the modem needs is empty",
      "A \"TSP\" or \"FriendlyName\" line with nothing after \"=\" still "
      "counts as given: the installer writes an empty text, so Unimodem has "
      "no telephony service provider to load or no name to show.",
      "TSP =\nFriendlyName =", "TSP = unimodem.dll\nFriendlyName = Acme modem",
      "Give the value, or remove the line.")
CHECK(InlineComment, "inline-comment", Warning, Optional, Nothing,
      "\"%0\" after the value is not a comment: the installer writes %1 as "
      "%2; comments go on lines of their own",
      "\"#\", \";\" or \"//\" after a text value is part of the value",
      "Comments take whole lines only. \"#\" or \";\" after a value, or "
      "\"//\" in it, is part of the value, so \"DLL = usbser.dll # stock driver\" writes the driver "
      "name \"usbser.dll # stock driver\".",
      "DLL = usbser.dll   # the stock driver",
      "# the stock driver\nDLL = usbser.dll",
      "Put comments on lines of their own.")
CHECK(HighByte, "high-byte", Warning, Optional, Nothing,
      "byte above 0x7F: the installer turns every byte into one character "
      "(no code page), so %0 is written as %1",
      "bytes above 0x7F become characters without a code page",
      "The installer widens every byte to one character without a code page: "
      "a UTF-8 \"\xC3\xBC\" (two bytes) becomes the two characters "
      "\"\xC3\x83\xC2\xBC\", and a byte of any other code page the Latin-1 "
      "character of the same number.",
      "FriendlyName = Modem f\xC3\xBCr B\xC3\xBCro",
      "FriendlyName = Modem fuer Buero",
      "Keep values to ASCII, or save the file as Latin-1 (ISO 8859-1) when "
      "a text needs those letters.")
CHECK(ControlByte, "control-byte", Warning, Optional, Nothing,
      "control character %0 in %1: %{the installer writes it into the "
      "text, so the device gets %3|the installer's text ends at a NUL, so "
      "the device gets %3}2",
      "a control character is written into a text, and a NUL cuts it",
      "Values have no escapes: every byte of a text but a NUL is written as "
      "it is, so a control character (the Ctrl-Z an old editor leaves after "
      "the last value of a file without a final line feed, an escape code) "
      "becomes part of a driver's or a modem's name or command. A NUL ends "
      "the text the device gets: the rest of the value is lost.",
      "DLL = usbser.dll<Ctrl-Z>", "DLL = usbser.dll",
      "Delete the character (an editor that shows control characters finds "
      "it), and end the file with a line feed.")
CHECK(QuotedValue, "quoted-value", Warning, Optional, Nothing,
      "the quotes are part of the value: the installer writes them into "
      "%0; write %1",
      "quotes around a value are written with it",
      "Values have no quoting rules: quotes around a value are part of it, "
      "so DLL = \"usbser.dll\" writes the driver name with its quotes, which "
      "names no file.",
      "DLL = \"usbser.dll\"", "DLL = usbser.dll",
      "Drop the quotes; blanks inside a value need none.")
CHECK(TextCut, "text-cut", Warning, Optional, Nothing,
      "%0 holds at most %1 characters: the installer cuts the %2-character "
      "value here",
      "a text longer than its field is cut",
      "Text fields have a fixed size: \"DLL\" keeps 127 characters, every "
      "other text 255. Longer values are cut without notice.",
      "(a \"DLL\" value of 140 characters)",
      "(a \"DLL\" value of at most 127 characters)", "Shorten the value.")
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
      "%1",
      "a GUID that does not read as written",
      "A GUID is read as five hexadecimal groups with one separator "
      "character between them; braces and quotes at its ends are dropped. "
      "The number of digits is not tested: a short group is padded with "
      "zeros, a long one loses its high digits (the last group, past 16 "
      "digits, reads as all ones), a group that cannot be read "
      "keeps its previous value, and \"IClass\" is written all the same.",
      "GUID = {CC5195AC-BA49-48a0-BE17-DF6D1B0173D}",
      "GUID = {CC5195AC-BA49-48a0-BE17-DF6D1B0173DD}",
      "Write the GUID as {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}: 8, 4, 4, 4 "
      "and 12 hexadecimal digits.")
CHECK(GuidSeparators, "guid-separators", Note, Optional, Nothing,
      "malformed GUID: the groups are not separated by single \"-\" "
      "characters; the installer writes \"IClass\" = %0",
      "GUID groups separated by characters other than \"-\"",
      "Any one character separates the groups of a GUID, so full stops or "
      "other characters in place of \"-\" read alike.",
      "GUID = CC5195AC.BA49.48a0.BE17.DF6D1B0173DD",
      "GUID = {CC5195AC-BA49-48a0-BE17-DF6D1B0173DD}",
      "Separate the groups with \"-\".")
CHECK(SharedTemplate, "shared-template", Warning, Optional, Nothing,
      "this section writes the same registry keys as the %1%{, which the "
      "installer writes later: what that section gives and this one does not "
      "applies to this one too: %3|, and the installer writes it later: its "
      "values replace %2|: what only the earlier section gave stays and "
      "applies to this one too: %3|, and the installer writes it later: its "
      "values replace %2; what only the earlier section gave stays and "
      "applies to this one too: %3}0",
      "sections of a kind share one template key, both ways",
      "Every device section writes the same driver template key "
      "(Drivers\\USB\\ClientDrivers\\USBCDC_Template_Default), and every "
      "modem section the same COM template with its Unimodem keys. A later "
      "section replaces the values an earlier one wrote there, and a value "
      "that only one section gives stays in the shared key and applies to "
      "the devices or modems of every other section, earlier and later ones "
      "alike.",
      "[First]\nDLL = usbser.dll\nBufferCountIn = 0x8\n[Second]\n"
      "DLL = usbcdc2.dll",
      "[First]\nDLL = usbser.dll\nBufferCountIn = 0x8\n[Second]\n"
      "DLL = usbser.dll\nBufferCountIn = 0x8",
      "Give every section of a kind the same template values, or keep one "
      "section of each kind.")
CHECK(DisabledModem, "disabled-modem", Warning, Optional, Nothing,
      "the %0 disables this modem's interface: the installer writes "
      "\"Disable\" = 1 into %1, the key that names the modem's template, "
      "so the CDC driver leaves the modem alone",
      "a device section disables the interface of a modem section",
      "An \"IFC_Disable\" line writes \"Disable\" = 1 into the key "
      "Drivers\\USB\\ClientDrivers\\USBCDC_Config\\VID_xxxx&PID_xxxx&IFC_xx. "
      "When a modem section names the same vendor, product and interface, "
      "its \"Template\" goes into that same key, and the CDC driver leaves "
      "the interface it was meant to serve alone.",
      "[Acme serial]\nDLL = usbser.dll\nVID = 0x12D1\nPID = 0x1001\n"
      "IFC_Disable = 0x02\n[MODEM SETTINGS]\nDLL = usbser.dll\n"
      "VID = 0x12D1\nPID = 0x1001\nIFC = 0x02",
      "[Acme serial]\nDLL = usbser.dll\nVID = 0x12D1\nPID = 0x1001\n"
      "IFC_Disable = 0x03\n[MODEM SETTINGS]\nDLL = usbser.dll\n"
      "VID = 0x12D1\nPID = 0x1001\nIFC = 0x02",
      "Disable only the interfaces that no modem section serves.")
CHECK(ExistingValue, "existing-value", Warning, Optional, Nothing,
      "the registry %0 already holds values in keys this section writes, "
      "and they stay and apply to it: %1",
      "a value already in the registry applies to a section that does not "
      "give it",
      "The installer never removes a value. With --registry FILE the check "
      "starts from the registry the device holds: a value left in a key "
      "that a section writes (a template value, or \"Disable\" in an "
      "interface key) by an earlier install stays, and applies to that "
      "section as if it gave it.",
      "(registry: \"BufferCountIn\" in the driver template)\n"
      "[Acme serial]\nDLL = usbser.dll",
      "[Acme serial]\nDLL = usbser.dll\nBufferCountIn = 0x8",
      "Give the value in the section, so that the file says what the device "
      "gets, or remove it from the device's registry first.")
CHECK(DesktopName, "desktop-name", Warning, Optional, Nothing,
      "%{%1 is a desktop Windows driver: Windows CE loads drivers from DLLs, "
      "never from .sys files, so the device gets %2 = %1 and no driver|%1 is "
      "the desktop Windows telephony provider; the one of Windows CE is "
      "\"unimodem.dll\", so the device gets %2 = %1 and no provider for the "
      "modem|%1 is the setup class of desktop Windows modems, not an interface "
      "class: the device gets %2 = %1, which names no interface of the CDC "
      "driver}0",
      "a desktop Windows name that Windows CE cannot use",
      "Names copied from a desktop Windows driver package mean nothing on "
      "Windows CE. A driver file ending in .sys (usbser.sys) is a desktop "
      "kernel driver, and Windows CE loads its drivers from DLLs; the desktop "
      "telephony provider unimdm.tsp is unimodem.dll on Windows CE; and "
      "{4D36E96D-E325-11CE-BFC1-08002BE10318} is the setup class of desktop "
      "modems, not the interface class of a driver. The installer writes "
      "each as it stands.",
      "DLL = usbser.sys\nTSP = unimdm.tsp",
      "DLL = usbser.dll\nTSP = unimodem.dll",
      "Name the Windows CE driver DLL and telephony provider, and the "
      "interface class GUID of the Windows CE driver.")
CHECK(InfToken, "inf-token", Warning, Optional, Nothing,
      "%0 is a string token of a desktop INF file, which the installer "
      "writes as it stands: the device gets %1 = %2, not the text the token "
      "stands for",
      "an INF string token such as %ModemName% is written as it stands",
      "INF files name texts by tokens (%ModemName%) that their [Strings] "
      "section spells out. usbcdc.cfg has no such section: the installer "
      "writes the token itself, percent signs and all.",
      "FriendlyName = %ModemName%", "FriendlyName = Acme USB modem",
      "Write the text that the INF's [Strings] section gives the token.")
CHECK(ModemPrefix, "modem-prefix", Warning, Optional, Nothing,
      "in a [MODEM SETTINGS] section \"Prefix\" is the prefix of the "
      "modem's commands (Windows CE's sample has \"AT\"): the installer "
      "writes \"Prefix\" = %0 under Unimodem\\Settings, so every command the device sends "
      "the modem starts with it; the port's \"Prefix\" = \"COM\" needs no line",
      "Prefix = COMn in a modem section is the prefix of the modem's commands",
      "In a [MODEM SETTINGS] section, \"Prefix\" is written under "
      "...\\Unimodem\\Settings, where it is the prefix of every command sent "
      "to the modem; Windows CE's sample modem has \"AT\". The port's device "
      "name prefix, \"COM\", the installer writes into the template key by "
      "itself. \"Prefix = COM1\" makes every modem command start with "
      "\"COM1\", which no modem understands.",
      "[MODEM SETTINGS]\nPrefix = COM1", "[MODEM SETTINGS]\nPrefix = AT",
      "Give the modem's command prefix (\"AT\"), or leave the line out.")
CHECK(ZeroId, "zero-id", Warning, Optional, Nothing,
      "%0 = 0x0000 is a placeholder, not an ID: the installer writes %1, "
      "which matches no USB device",
      "VID or PID 0x0000 matches no device",
      "0x0000 is the vendor or product ID of no real device but a "
      "placeholder of templates. A section that gives it gets a load-client "
      "key, or interface keys, named with it, which the USB driver loader "
      "never matches.",
      "VID = 0x0000\nPID = 0x0000", "VID = 0x0525\nPID = 0xA4A7",
      "Give the IDs from the device's descriptor (lsusb shows them as "
      "VID:PID).")
CHECK(DecimalSuffix, "decimal-suffix", Warning, Optional, Nothing,
      "%0 is read as hexadecimal: %1 is %2, for the \"d\" that marks a "
      "decimal number elsewhere is a hexadecimal digit here; write %3 for "
      "decimal %4",
      "a decimal number marked with \"d\" is read as hexadecimal, \"d\" and all",
      "Some tools and assemblers mark decimal numbers with a \"d\" at their "
      "end (\"10d\"). Here every number is hexadecimal and \"d\" is one of "
      "its digits: \"BufferCountIn = 10d\" is 0x10D, 269 buffers.",
      "BufferCountIn = 10d", "BufferCountIn = 0xA",
      "Write the number in hexadecimal, with \"0x\".")
CHECK(ValueSyntax, "value-syntax", Warning, Optional, Nothing,
      "%{a \";\" at the end|an unbalanced double quote|a backslash at the "
      "end}0 is part of the value: the installer writes %1 as %2, whole",
      "a \";\" or a backslash at the end of a text, or an unbalanced quote, "
      "is written with it",
      "Values have no syntax: a \";\" that ends a statement elsewhere, a "
      "backslash that continues a line, a double quote without its partner "
      "are all part of the text, and the installer writes them with it. (In "
      "the modem's commands, Init0 to Init15 and the Settings texts, a \";\" "
      "at the end is a command of its own and is not reported.)",
      "DLL = usbser.dll;\nFriendlyName = \"Acme modem",
      "DLL = usbser.dll\nFriendlyName = Acme modem",
      "End the value where its text ends.")
CHECK(BaudRateType, "baud-rate-type", Warning, Optional, Nothing,
      "the installer writes %0 as the text %1 (REG_SZ), and Windows CE 5.0's "
      "Unimodem reads Config\\BaudRate only as a REG_DWORD: the text is "
      "ignored, and the modem is opened at its default rate",
      "BaudRate is written as text, which the device's Unimodem ignores",
      "The installer writes \"BaudRate\" under Unimodem\\Config as the text "
      "of the file (REG_SZ), as it always has. Windows CE 5.0's "
      "documentation lists Config\\BaudRate as a REG_DWORD (\"Config Key\"), "
      "and Windows CE 5.0's Unimodem reads it only as one: it ignores the "
      "text and opens the modem at its default rate.",
      "BaudRate = 115200",
      "(no \"BaudRate\" line: the modem runs at its default rate)",
      "Leave the line out, or keep it commented out with the reason: this "
      "file cannot set the rate.")
CHECK(InvisibleByte, "invisible-byte", Warning, Optional, Nothing,
      "invisible character %0 (%{byte-order mark|no-break space|soft "
      "hyphen|zero-width space|zero-width non-joiner|zero-width joiner|narrow "
      "no-break space|word joiner}1): the installer reads its bytes like any "
      "other, so this line does not mean what it shows",
      "an invisible character makes a line mean other than it shows",
      "A character that shows as nothing or as a blank is bytes to the "
      "installer like any others: a byte-order mark left in the middle of a "
      "file by joining two files makes the header behind it no header, and a "
      "no-break space after a key makes it name no key.",
      "DLL<no-break space> = usbser.dll", "DLL = usbser.dll",
      "Delete the character; an editor that shows invisible characters "
      "finds it.")
CHECK(CommentedHeader, "commented-header", Warning, Optional, Nothing,
      "a section header in a comment: the installer ignores the line, so the "
      "keys after it %{belong to the %1|come before any section and the "
      "installer ignores them}0",
      "a commented-out header leaves its keys to the section before it",
      "A header commented out (\"; [Second device]\") opens no section: the "
      "key lines after it belong to the section before it, where they "
      "replace its values, or, before the first header, are ignored.",
      "[First]\nDLL = usbser.dll\n;[Second]\nDLL = usbcdc2.dll",
      "[First]\nDLL = usbser.dll\n[Second]\nDLL = usbcdc2.dll",
      "Remove the comment sign, or comment out the section's keys too.")
CHECK(SameInterface, "same-interface", Warning, Optional, Section,
      "this section names the same %{device and interface group|interface}0 "
      "as the %1: the installer writes %2 for both, and the later section's "
      "values there replace the earlier's",
      "two sections of a kind name the same device or interface",
      "A section copied from another and left with its \"VID\", \"PID\" and "
      "interface writes the same load-client key (device sections) or "
      "interface key (modem sections) as the first: the later section's "
      "values replace the earlier's there, and only one of them serves the "
      "device.",
      "[Acme serial]\nDLL = usbser.dll\nVID = 0x0525\nPID = 0xA4A7\n"
      "[Acme serial, copy]\nDLL = usbcdc2.dll\nVID = 0x0525\nPID = 0xA4A7",
      "[Acme serial]\nDLL = usbser.dll\nVID = 0x0525\nPID = 0xA4A7\n"
      "[Acme serial, copy]\nDLL = usbcdc2.dll\nVID = 0x0525\nPID = 0xA4A8",
      "Give the copy the IDs of its own device or interface, or remove it.")
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
      "printable ASCII}1",
      "a value that an --emit file cannot hold",
      "Image builders and the CAB Wizard read the files of --emit in the "
      "build machine's code page, and a device a cabinet's in its own, which "
      "nothing here can know: a text outside printable ASCII (a byte above "
      "0x7F, or a control character other than a tab, which a cabinet cannot "
      "hold either) would reach the device as other characters. The CAB "
      "Wizard's documentation has a DWORD above 0x7FFFFFFF fail the install, "
      "and a cabinet counts its names, keys and values in 16 bits. --emit "
      "then writes no file.",
      "FriendlyName = Modem f\xC3\xBCr B\xC3\xBCro",
      "FriendlyName = Modem fuer Buero",
      "Write the text in printable ASCII; give the DWORD to --emit=cab; split "
      "a configuration of more than 65,535 keys or values.")
CHECK(ValuelessKey, "valueless-key", Note, Optional, Nothing,
      "the cabinet names %0 without a value, and no public description of "
      "the format promises that a device creates a key that holds none",
      "a key the cabinet names without a value",
      "The installer creates a modem's Config, Init and Settings keys even "
      "where no value goes there. --emit=cab names each such key in the "
      "cabinet, but no public description of the format says how to create "
      "a key that holds no value, nor whether a device creates one it is "
      "given so: a device may leave it out. It holds nothing, so nothing "
      "else is lost.",
      "[MODEM SETTINGS]\nDLL = usbser.dll\nVID = 0x0525\nPID = 0xA4A7",
      "[MODEM SETTINGS]\nDLL = usbser.dll\nVID = 0x0525\nPID = 0xA4A7\n"
      "BaudRate = 115200\nInit1 = ATZ\nPrefix = AT",
      "Where the key must exist on the device, give it a value in the "
      "section, or install with the program.")
// What the device's own readers do with the keys (DeviceReaders.cpp): the
// USB driver loader, Unimodem and LoadLibrary, each explanation naming the
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
      "IFC_SubClass = 0x02, IFC_Protocol = 0x01)",
      "a load-client key whose interface group is no serial function's "
      "interface",
      "The USB driver loader matches the third level of a key under "
      "Drivers\\USB\\LoadClients with the class, subclass and protocol of an "
      "interface descriptor (Windows CE 5.0, \"USB Host Controller Driver "
      "Registry Settings\"; USB_DRIVER_SETTINGS names them the class, "
      "subclass and protocol in the interface descriptor). 0xEF/0x02/0x01 is "
      "the triple of a device descriptor that holds Interface Association "
      "descriptors (USB-IF, \"Defined Class Codes\"): no interface carries "
      "it, so the key matches nothing. 0x0A is the CDC Data interface: a "
      "serial function is loaded for its Communication interface, class "
      "0x02, and the data interface follows. The Communication subclasses "
      "0x06 (Ethernet, ECM), 0x0D (NCM) and 0x0E (MBIM) of the CDC "
      "specification's subclass codes, and RNDIS (0x02/0x02/0xFF, or "
      "0xE0/0x01/0x03), are network functions that the serial driver cannot "
      "serve.",
      "IFC_Class = 0xEF\nIFC_SubClass = 0x02\nIFC_Protocol = 0x01",
      "IFC_Class = 0x02\nIFC_SubClass = 0x02\nIFC_Protocol = 0x01",
      "Give the class, subclass and protocol of the function's Communication "
      "interface, as lsusb -v shows its interface descriptor: 0x02, 0x02, "
      "0x01 for a CDC-ACM modem or serial port.")
CHECK(UnloadedModem, "unloaded-modem", Warning, Optional, Section,
      "no device section loads a driver for this modem's device, VID %0, PID "
      "%1: no key under Drivers\\USB\\LoadClients names %2, %3 or Default, so "
      "the modem gets no driver and never appears; add a device section with "
      "VID = %0, PID = %1, IFC_Class = 0x02, IFC_SubClass = 0x02 and "
      "IFC_Protocol = 0x01",
      "a modem section whose device no device section loads",
      "A modem section writes the interface key and the Unimodem keys that "
      "the CDC driver reads once it is loaded. The USB driver loader loads it "
      "from a key under Drivers\\USB\\LoadClients, which device sections "
      "write, whose first level names the device as VID_PID or VID in "
      "decimal, or \"Default\" for every device (Windows CE 5.0, \"USB Host "
      "Controller Driver Registry Settings\"). When no device section's key "
      "covers the modem's vendor and product, nothing loads the driver for "
      "it, and the modem never appears.",
      "[MODEM SETTINGS]\nDLL = usbcdc.dll\nVID = 0x12D1\nPID = 0x1001\n"
      "IFC = 0x00",
      "[Acme modem]\nDLL = usbcdc.dll\nVID = 0x12D1\nPID = 0x1001\n"
      "IFC_Class = 0x02\nIFC_SubClass = 0x02\nIFC_Protocol = 0x01\n"
      "[MODEM SETTINGS]\nDLL = usbcdc.dll\nVID = 0x12D1\nPID = 0x1001\n"
      "IFC = 0x00",
      "Add a device section with the modem's \"VID\" and \"PID\" and the "
      "class, subclass and protocol of its Communication interface.")
CHECK(InitSequence, "init-sequence", Warning, Optional, Nothing,
      "%0 is never sent: %{Unimodem numbers its init strings from 1|Unimodem "
      "stops at the first missing number, and \"Init%1\" is missing|Windows "
      "CE 5.0's Unimodem reads at most five init strings, \"1\" to \"5\"}2",
      "an init string that Unimodem never sends: Init0, one after a gap, or "
      "one past Init5",
      "The installer writes Init0 to Init15 as the values \"0\" to \"15\" of "
      "Unimodem\\Init. Unimodem steps through them in order and waits for OK "
      "after each; the name of each is its sequence number, starting with 1 "
      "(Windows CE 5.0, \"Init Key\"; the \"PC Card Modem Registry Key "
      "Sample\" has \"1\" to \"3\"). So \"0\" is never sent, and a gap in the "
      "numbers ends the sequence. Windows CE 5.0's Unimodem reads at most "
      "five, \"1\" to \"5\": that limit is its own behaviour, which no page "
      "documents.",
      "Init0 = AT<cr>\nInit1 = ATE0V1<cr>\nInit3 = AT&C1<cr>",
      "Init1 = AT<cr>\nInit2 = ATE0V1<cr>\nInit3 = AT&C1<cr>",
      "Number the init strings 1, 2, 3 and on without gaps, at most five; "
      "put further commands into one of them.")
CHECK(InitTerminator, "init-terminator", Warning, Optional, Nothing,
      "%0 does not end with <cr>: Unimodem sends %1 as written and adds no "
      "terminator, so the modem waits for the end of the command, no OK "
      "comes and the init fails; write %2",
      "an init string without <cr> at its end",
      "Unimodem sends each init string as it stands and waits for OK "
      "(Windows CE 5.0, \"Init Key\"); that it adds no carriage return is "
      "its own behaviour, and a modem runs a command line only at its "
      "carriage return. A string "
      "without <cr> leaves the modem waiting, and the init fails. Every "
      "init string of the \"PC Card Modem Registry Key Sample\" ends with "
      "<cr>.",
      "Init1 = ATE0V1&C1&D2", "Init1 = ATE0V1&C1&D2<cr>",
      "End every init string with <cr>.")
CHECK(ModemToken, "modem-token", Warning, Optional, Nothing,
      "%{%0|<#> outside \"CallSetupFailTimeout\"}1 reaches the modem as it "
      "stands in %2: Unimodem expands only <cr>, <lf> and <hxx> (in any "
      "letter case), and <#> only in \"CallSetupFailTimeout\", where it "
      "stands for the number",
      "a <word> in a modem command that Unimodem does not expand",
      "Unimodem expands three tokens in the commands it sends, in any letter "
      "case: <cr> (carriage return), <lf> (line feed) and <hxx> (the byte of "
      "two hexadecimal digits); in \"CallSetupFailTimeout\", <#> stands for "
      "the number of seconds (Windows CE 5.0, \"Settings Key\" and the \"PC "
      "Card Modem Registry Key Sample\": \"S7=<#>\"). The pages show these "
      "in their samples only; that no other token is expanded is Windows CE "
      "5.0's Unimodem's own behaviour. Any other <word>, a template's "
      "placeholder say, reaches the modem letter for letter.",
      "CallSetupFailTimeout = <CALLSETUPFAILTIMEOUT>",
      "CallSetupFailTimeout = S7=<#>",
      "Write the command itself, with <cr>, <lf>, <hxx> and, in "
      "CallSetupFailTimeout, <#>.")
CHECK(DialPrefix, "dial-prefix", Warning, Optional, Nothing,
      "Unimodem sends \"DialPrefix\" after \"Prefix\": with Prefix = %0 and "
      "DialPrefix = %1 the modem gets %2; write DialPrefix = %3",
      "a DialPrefix that repeats Prefix",
      "\"Settings Key\" (Windows CE 5.0) lists \"Prefix\" and "
      "\"DialPrefix\", and the \"PC Card Modem Registry Key Sample\" has "
      "Prefix \"AT\" and DialPrefix \"D\". Windows CE 5.0's Unimodem "
      "builds the dial command from \"Prefix\", then \"DialPrefix\", the "
      "number and \"DialSuffix\", as the sample's values suggest: a "
      "DialPrefix that begins with the prefix sends it twice, \"ATATD...\".",
      "Prefix = AT\nDialPrefix = ATD", "Prefix = AT\nDialPrefix = D",
      "Leave the prefix out of DialPrefix.")
CHECK(NullModem, "null-modem", Warning, Optional, Section,
      "%{no \"DeviceType\": Unimodem's default, 0,|\"DeviceType\" = 0}0 is "
      "the null modem, which Unimodem neither initialises nor dials; a USB "
      "modem wants a modem type: 1 external, 2 internal, 3 PC Card",
      "a modem whose DeviceType is 0 or missing is a null modem",
      "\"DeviceType\" of the Unimodem key is 0 unless given, and its values "
      "are those of unimodem.h (Windows CE 5.0, \"Unimodem Key\"): 0 null "
      "modem, 1 external modem, 2 internal modem, 3 PC Card modem (the \"PC "
      "Card Modem Registry Key Sample\" has 3). A null modem is a direct "
      "cable: Unimodem sends it no init string and dials no number.",
      "[MODEM SETTINGS]\nDLL = usbcdc.dll\nTSP = unimodem.dll",
      "[MODEM SETTINGS]\nDLL = usbcdc.dll\nTSP = unimodem.dll\n"
      "DeviceType = 0x01",
      "Give \"DeviceType = 0x01\", an external modem, for a USB modem.")
CHECK(LongFriendlyName, "long-friendly-name", Warning, Optional, Nothing,
      "%0 has %1 characters, more than the 63 of Unimodem's device name: the "
      "device shows the port's name in its place",
      "a FriendlyName longer than 63 characters is not shown",
      "\"FriendlyName\" is the name that TAPI applications show (Windows CE "
      "5.0, \"Unimodem Key\"). The installer keeps 255 characters, but "
      "Windows CE 5.0's Unimodem takes it into a device name of 63 "
      "characters and its NUL: a longer name is not shown, and the port's "
      "name is shown instead. The size is Unimodem's own; no page gives it.",
      "(a \"FriendlyName\" of 70 characters)",
      "FriendlyName = Acme USB Modem", "Keep the name to 63 characters.")
CHECK(DriverPath, "driver-path", Warning, Optional, Nothing,
      "%{%0 holds \"/\": a path needs backslashes, so LoadLibrary finds no "
      "file for %1|%0 is a path without an extension: LoadLibrary adds "
      "\".dll\" only to a bare name, so it finds no file for %1}2; write %3",
      "a driver name LoadLibrary does not find: \"/\" in a path, or a path "
      "without \".dll\"",
      "The device loads the DLL that \"DLL\" names, and Unimodem the "
      "provider that \"TSP\" names, with LoadLibrary. Its page (Windows CE "
      "5.0, \"LoadLibrary\") says to use backslashes in a path, not forward "
      "slashes, and \".dll\" is appended only to a name that specifies no "
      "path (\"LoadLibraryEx\"), so a path without an extension names no "
      "file.",
      "DLL = /Windows/usbcdc", "DLL = \\Windows\\usbcdc.dll",
      "Give a bare name (usbcdc.dll), or a path with backslashes and the "
      "extension.")
CHECK(DecimalKeyId, "decimal-key-id", Warning, Optional, Nothing,
      "%0 = %1 is decimal, as the name of a load-client key gives IDs (%2): "
      "the installer reads numbers as hexadecimal, so the device never gets "
      "%3; write %0 = %3",
      "a VID or PID copied in decimal from a load-client key name",
      "The first level of a key under Drivers\\USB\\LoadClients names the "
      "device by its IDs in decimal, VID_PID (Windows CE 5.0, \"USB Host "
      "Controller Driver Registry Settings\"): 4046_53455 is vendor 0x0FCE, "
      "product 0xD0CF. The installer reads every number as hexadecimal, so "
      "\"VID = 4046\" is 0x4046 and \"PID = 53455\" does not fit 16 bits. "
      "Where one ID of a section has five decimal digits, which no "
      "hexadecimal ID has, each ID of it in decimal digits is said.",
      "VID = 4046\nPID = 53455", "VID = 0x0FCE\nPID = 0xD0CF",
      "Convert the IDs of a key name to hexadecimal, or take them from the "
      "device's descriptor (lsusb prints VID:PID in hexadecimal).")
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
