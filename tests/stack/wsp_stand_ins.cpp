// Stand-ins for the transport and WTP under WSP: every call is recorded,
// sent bytes are kept, and pool blocks are counted so leaks show.
#include "tests/stack/wsp_stand_ins.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "stack/udp_transport.h"
#include "stack/wtp.h"

std::vector<std::string> gCalls;
std::vector<SentPdu> gSent;
uint32_t gNextHandle = 1;
int gOpenResult = TRANSPORT_OPENED;
uint32_t gPumpRounds = 0;

namespace {
std::map<uint8_t *, uint32_t> gBlocks;  // live pool blocks and their sizes
}

void resetStandIns()
{
    gCalls.clear();
    gSent.clear();
    gNextHandle = 1;
    gOpenResult = TRANSPORT_OPENED;
    gPumpRounds = 0;
}

uint8_t *takeReceiveBuffer(uint32_t size)
{
    uint32_t actual = size < RECEIVE_BUFFER_SIZE ? RECEIVE_BUFFER_SIZE : size;
    auto *block = static_cast<uint8_t *>(std::malloc(actual));
    gBlocks[block] = actual;
    return block;
}

void releaseReceiveBuffer(const void *pointer)
{
    auto *p = static_cast<const uint8_t *>(pointer);
    auto it = std::find_if(gBlocks.begin(), gBlocks.end(),
                           [p](const auto &block) { return p >= block.first && p <= block.first + block.second; });
    if (it != gBlocks.end()) {
        std::free(it->first);
        gBlocks.erase(it);
    }
}

uint32_t receiveBuffersInUse() { return static_cast<uint32_t>(gBlocks.size()); }

uint8_t *poolCopy(const std::vector<uint8_t> &bytes)
{
    uint8_t *block = takeReceiveBuffer(static_cast<uint32_t>(bytes.size()));
    if (!bytes.empty())
        std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

int openTransport(uint32_t, uint32_t *localPort)
{
    *localPort = 0;
    gCalls.push_back("open");
    return gOpenResult;
}

void closeTransport() { gCalls.push_back("close"); }

int resolveAddress(const char *name, char *out)
{
    std::memset(out, 0, ADDRESS_FIELD_SIZE);
    std::strncpy(out, name, ADDRESS_TEXT_MAX);
    return 1;
}

void setTransportPeer(const AddressRecord *peer, uint32_t port)
{
    gCalls.push_back(std::string("peer ") + peer->address + ":" + std::to_string(port));
}

int T_DUnitdata_Req(const AddressRecord *, uint32_t, const AddressRecord *destination, uint32_t destinationPort,
                    const uint8_t *data, uint32_t length)
{
    gSent.push_back({0, 0, std::vector<uint8_t>(data, data + length), destinationPort});
    gCalls.push_back(std::string("unitdata ") + destination->address);
    return TRANSPORT_SENT;
}

int pollReceive()
{
    gPumpRounds++;
    return 0;
}

void runTimers() { }

int openPushListener(uint32_t, uint32_t port, const AddressRecord *gateway)
{
    gCalls.push_back("listen " + std::to_string(port) + " " + gateway->address);
    return PUSH_LISTENING;
}

void closePushListener() { gCalls.push_back("unlisten"); }

int S_pushListenerFd() { return -1; }

int pollPushReceive() { return 0; }

uint32_t TR_Invoke(const AddressRecord *, uint32_t, const AddressRecord *, uint32_t peerPort, uint8_t up,
                   uint8_t *userData, uint32_t length, uint8_t transactionClass)
{
    std::vector<uint8_t> bytes(userData, userData + length);
    releaseReceiveBuffer(userData);
    uint32_t handle = transactionClass == WTP_CLASS0 ? 0 : gNextHandle++;
    gSent.push_back({transactionClass, up, bytes, peerPort});
    gCalls.push_back("invoke " + std::to_string(handle));
    return handle;
}

int TR_Result(const uint8_t *, uint32_t, uint32_t handle)
{
    gCalls.push_back("result " + std::to_string(handle));
    return WTP_OK;
}

int TR_Abort(uint8_t reason, uint32_t handle)
{
    gCalls.push_back("abort " + std::to_string(handle) + " " + std::to_string(reason));
    return WTP_OK;
}
