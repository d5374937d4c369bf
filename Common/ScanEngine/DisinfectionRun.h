// The disinfection run: the engine is handed exactly the detections listed in the elements file that the
// audit server sent (named by AuditGUID in the program's folder) and configured to disinfect them.
#pragma once

// 0 success; 2 when the elements file is missing or unreadable or the configuration is refused;
// otherwise the engine's analysis result (or the value of an exception caught on the way).
int DoMalwareDisinfection();
