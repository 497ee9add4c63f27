/* Preloaded into bearerbox and wapbox: a listener they would bind to the
 * wildcard address (the box port has no interface option) is bound to
 * loopback instead, so no test gateway is ever reachable from outside.
 * Every TCP connection they open or accept also gets TCP_NODELAY: the
 * boxes never set it, so each small message between them waited for the
 * peer's delayed ACK (about 40 ms a request, stalls between images). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string.h>
#include <sys/socket.h>

typedef int (*BindFn)(int, const struct sockaddr *, socklen_t);
typedef int (*ConnectFn)(int, const struct sockaddr *, socklen_t);
typedef int (*AcceptFn)(int, struct sockaddr *, socklen_t *);
typedef int (*Accept4Fn)(int, struct sockaddr *, socklen_t *, int);

/* Only internet stream sockets: a Unix socket refuses the option. */
static void noDelay(int fd)
{
    struct sockaddr_storage self;
    socklen_t selfLen = sizeof self;
    int type = 0;
    socklen_t typeLen = sizeof type;
    if (fd < 0 || getsockname(fd, (struct sockaddr *)&self, &selfLen) != 0)
        return;
    if (self.ss_family != AF_INET && self.ss_family != AF_INET6)
        return;
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLen) != 0 || type != SOCK_STREAM)
        return;
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int bind(int fd, const struct sockaddr *addr, socklen_t len)
{
    static BindFn realBind;
    if (!realBind)
        realBind = (BindFn)dlsym(RTLD_NEXT, "bind");
    if (addr && addr->sa_family == AF_INET && len >= sizeof(struct sockaddr_in)) {
        struct sockaddr_in in4;
        memcpy(&in4, addr, sizeof in4);
        if (in4.sin_addr.s_addr == htonl(INADDR_ANY)) {
            in4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            return realBind(fd, (const struct sockaddr *)&in4, sizeof in4);
        }
    }
    if (addr && addr->sa_family == AF_INET6 && len >= sizeof(struct sockaddr_in6)) {
        struct sockaddr_in6 in6;
        memcpy(&in6, addr, sizeof in6);
        if (memcmp(&in6.sin6_addr, &in6addr_any, sizeof in6addr_any) == 0) {
            in6.sin6_addr = in6addr_loopback;
            return realBind(fd, (const struct sockaddr *)&in6, sizeof in6);
        }
    }
    return realBind(fd, addr, len);
}

int connect(int fd, const struct sockaddr *addr, socklen_t len)
{
    static ConnectFn realConnect;
    if (!realConnect)
        realConnect = (ConnectFn)dlsym(RTLD_NEXT, "connect");
    /* Set before connecting: the socket is already of its family. */
    if (addr && (addr->sa_family == AF_INET || addr->sa_family == AF_INET6)) {
        int type = 0;
        socklen_t typeLen = sizeof type;
        int on = 1;
        if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLen) == 0 && type == SOCK_STREAM)
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return realConnect(fd, addr, len);
}

int accept(int fd, struct sockaddr *addr, socklen_t *len)
{
    static AcceptFn realAccept;
    if (!realAccept)
        realAccept = (AcceptFn)dlsym(RTLD_NEXT, "accept");
    int client = realAccept(fd, addr, len);
    noDelay(client);
    return client;
}

int accept4(int fd, struct sockaddr *addr, socklen_t *len, int flags)
{
    static Accept4Fn realAccept4;
    if (!realAccept4)
        realAccept4 = (Accept4Fn)dlsym(RTLD_NEXT, "accept4");
    int client = realAccept4(fd, addr, len, flags);
    noDelay(client);
    return client;
}
