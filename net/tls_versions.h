// Which Windows versions the updater asks for TLS 1.1 and 1.2 itself.
#pragma once

// Windows 7 and Server 2008 R2 (6.1) offer only TLS 1.0 unless asked, which servers that require
// TLS 1.2 refuse; every later version offers 1.2 by default and keeps its own choice.
bool AsksForTls12(unsigned major, unsigned minor);
