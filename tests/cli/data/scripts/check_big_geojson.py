import json, sys
f = json.load(open(sys.argv[1]))['features']
assert len(f) == 1, len(f)
c, t = f[0]['geometry']['coordinates'], f[0]['properties']['coordTimes']
assert len(c) == len(t) == int(sys.argv[2]), (len(c), len(t))
assert c[-1] == [-121.5999, 45.5999, 1399.0], c[-1]
assert t[-1] == '2021-08-14T09:39:59Z', t[-1]
