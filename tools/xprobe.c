/* Starts a windowed program on the current X display and watches it from
 * outside: the time until the X server maps its window (the MapNotify event
 * of the root window's substructure, no polling), optionally its memory and
 * its idle activity, then closes it through the window manager protocol
 * (WM_DELETE_WINDOW, what a close box sends) and reports its exit status.
 *
 *   xprobe [--measure] [--idle SECONDS] [--linger SECONDS] -- PROGRAM [ARGS...]
 *
 * Prints "name value" lines; exits with the program's exit code, or 125 when
 * the program could not be watched.
 */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <dirent.h>
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static void SleepSeconds(double s) {
  struct timespec t = {(time_t)s, (long)((s - (double)(time_t)s) * 1e9)};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

/* Reads "Key:   NUMBER kB" from a /proc file; -1 when absent. */
static long ProcField(const char *path, const char *key) {
  FILE *f = fopen(path, "r");
  if (!f)
    return -1;
  char line[512];
  long value = -1;
  size_t n = strlen(key);
  while (fgets(line, sizeof line, f))
    if (strncmp(line, key, n) == 0 && line[n] == ':') {
      value = strtol(line + n + 1, NULL, 10);
      break;
    }
  fclose(f);
  return value;
}

/* User plus system CPU time of the whole process, in clock ticks. */
static long CpuTicks(pid_t pid) {
  char path[64], buf[1024];
  snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
  FILE *f = fopen(path, "r");
  if (!f)
    return -1;
  size_t got = fread(buf, 1, sizeof buf - 1, f);
  fclose(f);
  buf[got] = 0;
  char *p = strrchr(buf, ')'); /* the command name may hold blanks */
  if (!p)
    return -1;
  unsigned long utime = 0, stime = 0;
  /* fields after ")": state(3) ... utime(14) stime(15) */
  if (sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
    return -1;
  return (long)(utime + stime);
}

/* Context switches of every thread of the process, and the thread count. */
static long ContextSwitches(pid_t pid, int *threads) {
  char dir[64];
  snprintf(dir, sizeof dir, "/proc/%d/task", (int)pid);
  DIR *d = opendir(dir);
  if (!d)
    return -1;
  long total = 0;
  *threads = 0;
  struct dirent *e;
  while ((e = readdir(d)) != NULL) {
    if (e->d_name[0] == '.')
      continue;
    char path[384];
    snprintf(path, sizeof path, "%s/%s/status", dir, e->d_name);
    long v = ProcField(path, "voluntary_ctxt_switches");
    long nv = ProcField(path, "nonvoluntary_ctxt_switches");
    if (v >= 0 && nv >= 0) {
      total += v + nv;
      ++*threads;
    }
  }
  closedir(d);
  return total;
}

/* True when the window carries _NET_WM_PID, as every Qt top-level does. */
static int HasPid(Display *dpy, Window w) {
  Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", False), type;
  int format;
  unsigned long count, after;
  unsigned char *data = NULL;
  int ok = XGetWindowProperty(dpy, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                              &after, &data) == Success &&
           count == 1;
  if (data)
    XFree(data);
  return ok;
}

/* Waits for the next X event for at most `seconds`; 0 on time-out. */
static int NextEvent(Display *dpy, XEvent *ev, double seconds) {
  double end = Now() + seconds;
  while (!XPending(dpy)) {
    double left = end - Now();
    if (left <= 0)
      return 0;
    struct pollfd p = {ConnectionNumber(dpy), POLLIN, 0};
    poll(&p, 1, (int)(left * 1000) + 1);
  }
  XNextEvent(dpy, ev);
  return 1;
}

int main(int argc, char **argv) {
  int measure = 0, argi = 1;
  double idle = 5, linger = 0.5;
  for (; argi < argc && strcmp(argv[argi], "--") != 0; ++argi) {
    if (strcmp(argv[argi], "--measure") == 0)
      measure = 1;
    else if (strcmp(argv[argi], "--idle") == 0 && argi + 1 < argc)
      idle = atof(argv[++argi]);
    else if (strcmp(argv[argi], "--linger") == 0 && argi + 1 < argc)
      linger = atof(argv[++argi]);
  }
  if (argi + 1 >= argc) {
    fprintf(stderr, "usage: xprobe [--measure] [--idle S] [--linger S] -- PROGRAM [ARGS...]\n");
    return 125;
  }
  char **command = argv + argi + 1;

  Display *dpy = XOpenDisplay(NULL);
  if (!dpy) {
    fprintf(stderr, "xprobe: cannot open the X display\n");
    return 125;
  }
  Window root = DefaultRootWindow(dpy);
  XSelectInput(dpy, root, SubstructureNotifyMask);
  XSync(dpy, False);

  double start = Now();
  pid_t pid = fork();
  if (pid == 0) {
    close(ConnectionNumber(dpy));
    execvp(command[0], command);
    _exit(127);
  }

  /* Step 1: the first top-level window that the program maps. */
  Window window = 0;
  XEvent ev;
  while (!window) {
    if (!NextEvent(dpy, &ev, 30)) {
      fprintf(stderr, "xprobe: no window mapped within 30 s\n");
      kill(pid, SIGKILL);
      waitpid(pid, NULL, 0);
      return 125;
    }
    if (ev.type == MapNotify && HasPid(dpy, ev.xmap.window))
      window = ev.xmap.window;
  }
  printf("mapped_ms %.1f\n", (Now() - start) * 1000);
  fflush(stdout);

  /* Step 2: memory two seconds later, then activity while left alone. */
  if (measure) {
    SleepSeconds(2);
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/smaps_rollup", (int)pid);
    printf("rss_kib %ld\npss_kib %ld\n", ProcField(path, "Rss"), ProcField(path, "Pss"));
    int threads = 0;
    long cpu0 = CpuTicks(pid), cs0 = ContextSwitches(pid, &threads);
    SleepSeconds(idle);
    long cpu1 = CpuTicks(pid), cs1 = ContextSwitches(pid, &threads);
    printf("idle_cpu_ms %.0f\nidle_context_switches %ld\nthreads %d\n",
           (double)(cpu1 - cpu0) * 1000.0 / (double)sysconf(_SC_CLK_TCK), cs1 - cs0, threads);
  } else {
    SleepSeconds(linger);
  }

  /* Step 3: the close box's request, then the exit status. */
  Atom protocols = XInternAtom(dpy, "WM_PROTOCOLS", False);
  XEvent close;
  memset(&close, 0, sizeof close);
  close.xclient.type = ClientMessage;
  close.xclient.window = window;
  close.xclient.message_type = protocols;
  close.xclient.format = 32;
  close.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(dpy, window, False, NoEventMask, &close);
  XFlush(dpy);

  int status = 0;
  double deadline = Now() + 20;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Now() > deadline) {
      fprintf(stderr, "xprobe: the program did not end within 20 s of the close request\n");
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return 125;
    }
    SleepSeconds(0.01);
  }
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  printf("exit_code %d\n", code);
  XCloseDisplay(dpy);
  return code;
}
