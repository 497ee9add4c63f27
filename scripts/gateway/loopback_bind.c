/* Preloaded into bearerbox and wapbox: a listener they would bind to the
 * wildcard address (the box port has no interface option) is bound to
 * loopback instead, so no test gateway is ever reachable from outside. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>

typedef int (*BindFn)(int, const struct sockaddr *, socklen_t);

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
