import json, sys
for path, lines, listing in zip(sys.argv[1::3], sys.argv[2::3], sys.argv[3::3]):
    d = json.load(open(path, encoding='utf-8'))
    assert d['type'] == 'FeatureCollection', path
    types = [f['geometry']['type'] for f in d['features']]
    assert types.count('LineString') == int(lines), (path, types)
    if int(lines):
        assert types == ['LineString'], (path, types)
        points = d['features'][0]['geometry']['coordinates']
    else:
        points = [f['geometry']['coordinates'] for f in d['features']]
    assert len(points) >= 3 and all(-180 <= p[0] < 180 and -90 <= p[1] <= 90 for p in points), path
    assert len(json.load(open(listing, encoding='utf-8'))['points']) == len(points), listing
