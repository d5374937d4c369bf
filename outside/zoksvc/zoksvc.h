// The engine's service: the names the scanner installs it under, shared with the stand-in.
#pragma once

#define ZOKSVC_SERVICE_NAME "ZokSvcMorvik"
#define ZOKSVC_EXECUTABLE "zoksvc.exe"
