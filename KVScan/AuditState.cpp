#include "AuditState.h"

AuditState& Audit()
{
    // Never destroyed: program threads may still read it while the process ends through exit().
    static AuditState* state = new AuditState;
    return *state;
}
