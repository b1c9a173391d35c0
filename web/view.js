// The page's drawing of the opened sets: every shown set on one view, the
// chosen one's change drawn over its original, a scale bar, and beside it
// the chosen line's elevation profile, whose hover marks the point on the
// view. No tiles: the page works offline.
'use strict';

const View = (() => {
  const svgNS = 'http://www.w3.org/2000/svg';
  const palette = ['#1f77b4', '#2ca02c', '#9467bd', '#ff7f0e', '#8c564b', '#e377c2', '#17becf', '#7f7f7f'];
  const metresPerMile = 1609.344;
  const metresPerFoot = 0.3048;

  function svg(tag, attributes = {}, ...children) {
    const node = document.createElementNS(svgNS, tag);
    for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
    for (const child of children) node.append(child);
    return node;
  }

  function colourOf(index) { return palette[index % palette.length]; }

  // Metres east and south of the equator and meridian, the east shrunk by
  // the middle latitude's cosine: true to scale over a track's span.
  function projection(middleLatitude) {
    const east = 111320 * Math.cos(middleLatitude * Math.PI / 180);
    return ([latitude, longitude]) => [longitude * east, -latitude * 110574];
  }

  // Metres along the line at each point, on a sphere (a drawing's measure;
  // the figures are the ellipsoid's); a new segment adds no gap.
  function along(line) {
    const starts = new Set(line.starts);
    const metres = [];
    let total = 0;
    for (let i = 0; i < line.points.length; i++) {
      if (i > 0 && !starts.has(i)) {
        const [lat1, lon1] = line.points[i - 1];
        const [lat2, lon2] = line.points[i];
        const p1 = lat1 * Math.PI / 180, p2 = lat2 * Math.PI / 180;
        const h = Math.sin((p2 - p1) / 2) ** 2 + Math.cos(p1) * Math.cos(p2) * Math.sin((lon2 - lon1) * Math.PI / 360) ** 2;
        total += 2 * 6371008.8 * Math.asin(Math.min(1, Math.sqrt(h)));
      }
      metres.push(total);
    }
    return metres;
  }

  function distanceText(metres, units) {
    if (units === 'imperial') {
      return metres < 0.1 * metresPerMile ? `${Math.round(metres / metresPerFoot)} ft` : `${(metres / metresPerMile).toFixed(2)} mi`;
    }
    return metres < 1000 ? `${Math.round(metres)} m` : `${(metres / 1000).toFixed(2)} km`;
  }

  function elevationText(metres, units) {
    return units === 'imperial' ? `${Math.round(metres / metresPerFoot)} ft` : `${Math.round(metres)} m`;
  }

  function speedText(kmPerHour, units) {
    return units === 'imperial' ? `${(kmPerHour * 1000 / metresPerMile).toFixed(1)} mph` : `${kmPerHour.toFixed(1)} km/h`;
  }

  // UTC as ISO 8601, or the browser's local time with its zone.
  function timeText(millis, clock) {
    if (millis === null || millis === undefined) return '';
    const moment = new Date(millis);
    if (clock === 'local') return moment.toLocaleString(undefined, { timeZoneName: 'short' });
    return moment.toISOString().replace('.000Z', 'Z');
  }

  // The figures of `vezuved stats`, in the units and clock asked for.
  function figuresText(figures, units, clock) {
    const clockOf = (seconds) => {
      const s = Math.round(seconds);
      return `${Math.floor(s / 3600)}:${String(Math.floor(s / 60) % 60).padStart(2, '0')}:${String(s % 60).padStart(2, '0')}`;
    };
    return figures.map((set) => {
      const rows = [[`${set.kind} '${set.title}'`, ''], ['  points', set.points]];
      if (set.kind !== 'points') {
        rows.push(['  segments', set.segments],
          ['  distance', distanceText(set.distanceMetres, units)],
          ['  distance 3-D', distanceText(set.distance3dMetres, units)],
          ['  ascent', elevationText(set.ascentMetres, units)],
          ['  descent', elevationText(set.descentMetres, units)]);
        if (set.start) rows.push(['  start', timeText(Date.parse(set.start), clock)], ['  end', timeText(Date.parse(set.end), clock)]);
        rows.push(['  duration', clockOf(set.durationSeconds)], ['  moving time', clockOf(set.movingSeconds)],
          ['  average speed', speedText(set.averageKmPerHour, units)],
          ['  maximum speed', speedText(set.maximumKmPerHour, units)]);
      }
      return rows.map(([name, value]) => value === '' ? name : `${name.padEnd(18)}${value}`).join('\n');
    }).join('\n\n');
  }

  // A path of the line's segments in view coordinates.
  function pathOf(line, project) {
    const starts = new Set(line.starts);
    let d = '';
    line.points.forEach((point, i) => {
      const [x, y] = project(point);
      d += `${i === 0 || starts.has(i) ? 'M' : 'L'}${x.toFixed(1)} ${y.toFixed(1)}`;
    });
    return d;
  }

  // The round length (1, 2 or 5 times a power of ten) nearest a fifth of the view.
  function roundLength(metres) {
    const power = 10 ** Math.floor(Math.log10(metres));
    return [5, 2, 1].map((step) => step * power).find((length) => length <= metres) || power;
  }

  // Draws layers ({line, colour, faint, chosen}) into map; answers the
  // view's svg and the marker that hovering moves, or null with nothing to draw.
  function drawMap(map, layers, title, units) {
    const points = layers.flatMap((layer) => layer.line.points);
    map.replaceChildren();
    if (!points.length) return null;
    // Loops, not Math.min(...): a long track has more points than a call takes arguments.
    let south = Infinity, north = -Infinity;
    for (const [latitude] of points) { south = Math.min(south, latitude); north = Math.max(north, latitude); }
    const project = projection((south + north) / 2);
    let [left, right, top, bottom] = [Infinity, -Infinity, Infinity, -Infinity];
    for (const point of points) {
      const [x, y] = project(point);
      left = Math.min(left, x); right = Math.max(right, x); top = Math.min(top, y); bottom = Math.max(bottom, y);
    }
    const margin = Math.max(right - left, bottom - top, 50) * 0.05;
    left -= margin; right += margin; top -= margin; bottom += margin;
    const picture = svg('svg', { viewBox: `${left} ${top} ${right - left} ${bottom - top}`, role: 'img', 'aria-label': `Map of ${title}` },
      svg('title', {}, title));
    for (const layer of layers) {
      const { line } = layer;
      if (line.kind === 'points') {
        const r = (right - left) / 250;
        for (const point of line.points) {
          const [x, y] = project(point);
          picture.append(svg('circle', { cx: x, cy: y, r, fill: layer.colour, stroke: '#333', 'vector-effect': 'non-scaling-stroke' },
            svg('title', {}, point[4] || '')));
        }
        continue;
      }
      picture.append(svg('path', {
        d: pathOf(line, project), fill: 'none', stroke: layer.faint ? '#999' : layer.colour,
        'stroke-width': layer.chosen ? 3 : 2, 'stroke-opacity': layer.faint ? 0.45 : 1,
        'stroke-linejoin': 'round', 'vector-effect': 'non-scaling-stroke',
        class: layer.chosen ? 'changed' : 'line', 'data-count': String(line.points.length),
      }, svg('title', {}, line.title)));
    }
    const marker = svg('circle', { r: (right - left) / 120, fill: '#f1c40f', stroke: '#333', 'vector-effect': 'non-scaling-stroke', visibility: 'hidden' });
    picture.append(marker);
    const scale = document.createElement('div');
    scale.className = 'scale';
    map.append(picture, scale);
    const showScale = () => {
      const box = picture.viewBox.baseVal;
      // The drawing fits the frame by its narrower side.
      const rect = picture.getBoundingClientRect();
      const perMetre = Math.min(rect.width / box.width, rect.height / box.height) || 1;
      // A round fifth of the frame: whole miles once it reaches one, never 1.89 mi.
      const span = rect.width / perMetre / 5;
      const feet = span / metresPerFoot;
      const [length, unit, metresEach] = units !== 'imperial'
        ? (span >= 1000 ? [roundLength(span / 1000), 'km', 1000] : [roundLength(span), 'm', 1])
        : (feet >= 5280 ? [roundLength(feet / 5280), 'mi', 5280 * metresPerFoot] : [roundLength(feet), 'ft', metresPerFoot]);
      scale.style.width = `${length * metresEach * perMetre}px`;
      scale.textContent = `${length} ${unit}`;
    };
    return { picture, marker, project, showScale };
  }

  // The chosen line's elevation against distance; hovering says the
  // point's distance, elevation and time and marks it on the view.
  function drawProfile(box, readout, line, drawn, units, clock) {
    box.replaceChildren();
    readout.textContent = '';
    if (!line || line.points.length < 2) return;  // the caller hands a line, never points
    const metres = along(line);
    const total = metres[metres.length - 1] || 1;
    let low = Infinity, high = -Infinity;
    for (const point of line.points) {
      if (point[2] !== null) { low = Math.min(low, point[2]); high = Math.max(high, point[2]); }
    }
    const heights = low <= high;
    if (!heights) { low = 0; high = 1; }
    // A level line lies along the bottom of a metre's range; its label keeps its one height.
    const top = Math.max(high, low + 1);
    const width = 600, height = 160;
    const x = (m) => m / total * width;
    const y = (h) => height - (h - low) / (top - low) * (height - 10) - 5;
    let d = '';
    line.points.forEach((point, i) => {
      if (point[2] === null) return;
      d += `${d ? 'L' : 'M'}${x(metres[i]).toFixed(1)} ${y(point[2]).toFixed(1)}`;
    });
    const cursor = svg('line', { y1: 0, y2: height, stroke: '#333', visibility: 'hidden', 'vector-effect': 'non-scaling-stroke' });
    const profile = svg('svg', { viewBox: `0 0 ${width} ${height}`, preserveAspectRatio: 'none', role: 'img',
      'aria-label': `Elevation of ${line.title}: ${heights ? `${elevationText(low, units)} to ${elevationText(high, units)}` : 'none recorded'} over ${distanceText(total, units)}` },
    svg('rect', { width, height, fill: '#f7f7f2' }),
    svg('path', { d, fill: 'none', stroke: '#d62728', 'stroke-width': 2, 'vector-effect': 'non-scaling-stroke' }), cursor);
    box.append(profile, Object.assign(document.createElement('p'), {
      className: 'hint',
      textContent: `Elevation ${heights ? `${elevationText(low, units)} to ${elevationText(high, units)}` : 'not recorded'} over ${distanceText(total, units)}; hover or use the arrow keys`,
    }));
    const say = (i) => {
      const point = line.points[i];
      cursor.setAttribute('x1', x(metres[i]));
      cursor.setAttribute('x2', x(metres[i]));
      cursor.setAttribute('visibility', 'visible');
      readout.textContent = [distanceText(metres[i], units), point[2] === null ? 'no elevation' : elevationText(point[2], units),
        timeText(point[3], clock)].filter(Boolean).join(' · ');
      if (drawn) {
        const [mx, my] = drawn.project(point);
        drawn.marker.setAttribute('cx', mx);
        drawn.marker.setAttribute('cy', my);
        drawn.marker.setAttribute('visibility', 'visible');
      }
    };
    profile.addEventListener('pointermove', (event) => {
      const rect = profile.getBoundingClientRect();
      const wanted = (event.clientX - rect.left) / rect.width * total;
      let lo = 0, hi = metres.length - 1;
      while (lo < hi) {
        const mid = (lo + hi) >> 1;
        if (metres[mid] < wanted) lo = mid + 1; else hi = mid;
      }
      say(lo);
    });
    profile.addEventListener('pointerleave', () => {
      cursor.setAttribute('visibility', 'hidden');
      if (drawn) drawn.marker.setAttribute('visibility', 'hidden');
    });
    // From the keyboard: arrows walk the line.
    let at = 0;
    profile.setAttribute('tabindex', '0');
    profile.addEventListener('keydown', (event) => {
      const step = Math.max(1, Math.round(line.points.length / 100));
      if (event.key === 'ArrowRight') at = Math.min(line.points.length - 1, at + step);
      else if (event.key === 'ArrowLeft') at = Math.max(0, at - step);
      else return;
      event.preventDefault();
      say(at);
    });
  }

  return { colourOf, drawMap, drawProfile, figuresText, distanceText };
})();
