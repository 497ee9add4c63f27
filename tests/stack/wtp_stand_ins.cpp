#include "tests/stack/wtp_stand_ins.h"

#include <cstdio>

#include "common/clock.h"
#include "common/log.h"
#include "stack/udp_transport.h"
#include "stack/wtp.h"

std::deque<std::string> gHappened;
uint32_t gFakeNow = 1000000;

static uint32_t fakeClock() { return gFakeNow; }

static int capture(const AddressRecord *, uint32_t, const uint8_t *data, uint32_t length)
{
    gHappened.push_back("send " + toHex(data, length));
    return static_cast<int>(length);
}

std::string toHex(const uint8_t *data, uint32_t length)
{
    std::string text;
    char two[3];
    for (uint32_t i = 0; i < length; i++) {
        std::snprintf(two, sizeof two, "%02x", data[i]);
        text += two;
    }
    return text;
}

void installStandIns()
{
    Log_setMode(LOG_OFF);
    resetWtp();
    gHappened.clear();
    gFakeNow = 1000000;
    Clock_setClockSource(fakeClock);
    setTransportSendHook(capture);
}

void removeStandIns()
{
    resetWtp();
    Clock_setClockSource(nullptr);
    setTransportSendHook(nullptr);
}

void TR_InvokeCnf(uint32_t handle) { gHappened.push_back("cnf " + std::to_string(handle)); }

void TR_ResultInd(uint32_t handle, uint8_t *data, uint32_t length)
{
    gHappened.push_back("result " + std::to_string(handle) + " " + toHex(data, length));
    releaseReceiveBuffer(data);
}

void TR_AbortInd(uint32_t handle, uint8_t reason)
{
    gHappened.push_back("abort " + std::to_string(handle) + " " + std::to_string(reason));
}

void WSP_unitdataInd(const AddressRecord *, uint16_t sourcePort, uint8_t *data, uint32_t length)
{
    gHappened.push_back("unitdata " + std::to_string(sourcePort) + " " + toHex(data, length));
    releaseReceiveBuffer(data);
}

void WSP_pushDatagramInd(uint8_t *data, uint32_t length)
{
    gHappened.push_back("push " + toHex(data, length));
    releaseReceiveBuffer(data);
}
